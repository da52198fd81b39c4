// Files that tests hand to the code under test.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

inline bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The file `name` in `dir` holding `content`; a test that cannot write its own input cannot go on.
inline QString WriteTestFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content) {
    const QString path = dir.filePath(name);
    if (!WriteFile(path, content))
        qFatal("cannot write the test file");
    return path;
}
