// A Qt window with the extended grid over a query: rows can be selected in ranges with Shift and
// the arrow keys or the mouse; the status line shows how many are selected.
//
//   grid_window "Driver={SQLite3};Database=/tmp/shop.db;" [--quit]
// --quit closes the window as soon as it has been shown (for unattended runs).
#include "ExampleMain.h"

#include <vantrel/vantrel_grid.h>

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <cstring>
#include <iostream>

using namespace vantrel;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const bool quit = argc > 2 && std::strcmp(argv[2], "--quit") == 0;
    return example::run(argc, argv, [&](TODBCDatabase& db) {
        DataBase = &db;
        ExecuteQuery("DROP TABLE IF EXISTS example_invoice");
        ExecuteQuery("CREATE TABLE example_invoice (num INTEGER PRIMARY KEY, customer VARCHAR(40), total DOUBLE PRECISION)");
        for (int n = 1; n <= 40; ++n)
            ExecQueryLong("INSERT INTO example_invoice VALUES (:num, :customer, :total)",
                          {1000 + n, "Customer " + IntToStr(n % 9), n * 12.5});

        // The query, the data source and the grid belong to this function; the window shows them.
        TODBCQuery query(nullptr);
        query.SetODBCDatabase(&db);
        query.SetSQLText("SELECT num, customer, total FROM example_invoice ORDER BY num");
        TDataSource source(nullptr);
        source.SetDataSet(&query);

        QWidget window;
        window.setWindowTitle("Invoices");
        auto* layout = new QVBoxLayout(&window);
        auto* grid = new TExtDBGrid(&window);
        grid->setAccessibleName("Invoices");
        grid->SetOptions(grid->Options() | dgMultiSelect | dgRowSelect);
        grid->SetIndicatorSize(14);
        grid->SetDataSource(&source);
        auto* status = new QLabel(&window);
        status->setAccessibleName("Selected rows");
        layout->addWidget(grid);
        layout->addWidget(status);
        grid->OnSelectionChange = [grid, status](TCustomDBGrid*) {
            status->setText(QString::number(grid->SelectedRows().Count()) + " selected");
        };

        query.Open();
        window.resize(480, 360);
        window.show();
        std::cout << "grid shows " << grid->model()->rowCount() << " of " << query.RecordCount() << " rows, "
                  << grid->model()->columnCount() << " columns\n";
        if (quit)
            QTimer::singleShot(0, &app, &QApplication::quit);
        const int rc = app.exec();
        query.Close();
        DataBase = nullptr;
        return rc;
    }, " [--quit]");
}
