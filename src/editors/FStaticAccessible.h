// What assistive technology sees of the response graph: a chart named in the interface language whose
// description is the selected filter.
#pragma once

#include <QAccessibleWidget>

class CFStatic;

// The name and description are the widget's own (set by the graph as the language or the selection
// changes); this interface gives the graph its role.
class CFStaticAccessible : public QAccessibleWidget {
public:
    explicit CFStaticAccessible(CFStatic* graph);

    // Registers the factory once per process; the graph calls it when it is made.
    static void Install();
};
