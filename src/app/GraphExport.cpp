// The response graph out of the window: a picture of it, or the curves it draws as a table.
#include "app/GraphExport.h"

#include "base/DataDefine.h"
#include "model/KTVEQ.h"
#include "model/KTV_Data.h"

#include <QPixmap>
#include <QSaveFile>
#include <QStringList>
#include <QWidget>

QString CGraphExport::Csv(CKTV_Data& data, std::span<const int> channels) {
    QStringList header{QStringLiteral("Frequency (Hz)")};
    for (int c : channels) {
        header << QStringLiteral("CH%1 (dB)").arg(c + 1);
        // The sum is what the graph draws; made afresh so the table never lags behind an edit.
        data.Channel(c).Filters().CalcSum();
    }
    QStringList rows{header.join(u',')};
    for (int i = 0; i < kGridPoints; ++i) {
        QStringList row{QString::number(g_freqGrid[static_cast<std::size_t>(i)], 'f', 2)};
        for (int c : channels)
            row << QString::number(data.Channel(c).Filters().SumDb()[static_cast<std::size_t>(i)], 'f', 3);
        rows << row.join(u',');
    }
    return rows.join(u'\n') + u'\n';
}

bool CGraphExport::IsCsv(const QString& path) {
    return path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
}

bool CGraphExport::Save(const QString& path, QWidget& graph, CKTV_Data& data, std::span<const int> channels) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (IsCsv(path)) {
        const QByteArray bytes = Csv(data, channels).toUtf8();
        if (file.write(bytes) != bytes.size())
            return false;
    } else if (!graph.grab().save(&file, "PNG")) {
        return false;
    }
    return file.commit();
}
