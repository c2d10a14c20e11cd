#include "ShopWindows.h"

#include "Dialogs.h"
#include "Mdi.h"
#include "Query.h"

#include <QGridLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTableView>

namespace kestrum::reports {

QLabel* addCaptioned(QGridLayout* layout, int row, int column, const QString& caption, QWidget* box)
{
    auto* label = new QLabel(caption);
    label->setBuddy(box);
    layout->addWidget(label, row, column);
    layout->addWidget(box, row, column + 1);
    return label;
}

ui::Grid* makeGrid(QTableView* view, Query* q, QObject* owner, const QList<ui::GridColumn>& columns,
                   const QList<int>& money)
{
    ui::Grid* grid = ui::bindGrid(view, q, owner).grid;
    grid->setColumns(columns);
    grid->setMoneyColumns(money);
    return grid;
}

void openStatement(Query* q, const QString& sql, const QVariantList& values)
{
    q->setStatement(sql, values);
    q->Open();
}

bool openDocument(const QString& className, qint64 number)
{
    QWidget* window = nullptr;
    if (QMdiArea* area = ui::mdiArea())
        for (QMdiSubWindow* sub : area->subWindowList())
            if (sub->widget() && sub->widget()->inherits(className.toLatin1().constData()))
                window = sub->widget();
    if (window)
        ui::openMdiChild(window);  // shows and activates it
    else
        window = ui::launchWindow(className, false);
    if (!window)
        return false;
    bool found = false;
    QMetaObject::invokeMethod(window, "showDocument", Q_RETURN_ARG(bool, found), Q_ARG(qint64, number));
    if (!found)
        ui::showMessage(QStringLiteral("Number %1 is no longer there (archived or deleted since the list was made).")
                            .arg(number));
    return found;
}

}  // namespace kestrum::reports
