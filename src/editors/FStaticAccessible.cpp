// What assistive technology sees of the response graph: a chart named in the interface language whose
// description is the selected filter.
#include "editors/FStaticAccessible.h"

#include "editors/FStatic.h"

namespace {

QAccessibleInterface* CreateFor(const QString& className, QObject* object) {
    if (className == QLatin1String("CFStatic")) {
        if (auto* graph = qobject_cast<CFStatic*>(object)) {
            return new CFStaticAccessible(graph);
        }
    }
    return nullptr;
}

} // namespace

CFStaticAccessible::CFStaticAccessible(CFStatic* graph) : QAccessibleWidget(graph, QAccessible::Chart) {}

void CFStaticAccessible::Install() {
    static const bool installed = [] {
        QAccessible::installFactory(&CreateFor);
        return true;
    }();
    (void)installed;
}
