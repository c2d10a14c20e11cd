#pragma once
// The vehicle history: every invoice, estimate and archived document of one vehicle, found by
// VIN, plate or truck number, newest first, with the part and labor lines of the selected one.
#include <QPointer>
#include <QString>
#include <QWidget>

class QLineEdit;
class QPushButton;
class QTableView;

namespace kestrum {
class Query;
}
namespace kestrum::ui {
class Grid;
}

class TVehicleHistory : public QWidget {
    Q_OBJECT
public:
    explicit TVehicleHistory(QWidget* parent = nullptr);

    /// Writes the boxes and looks the vehicle up (the invoice and estimate windows open it so).
    Q_INVOKABLE void lookUpVehicle(const QString& vin, const QString& plate, const QString& truck);
    /// Button3 "Find" (and Enter in a box): lists the documents of what the boxes hold.
    void find();
    /// Button2 "Print": the listed documents through the report preview.
    void print();
    /// Double-click: the invoice or estimate window on the row's document.
    void openRow(int row);

    kestrum::Query* documents() const { return docs_; }
    kestrum::Query* partLines() const { return items_; }
    kestrum::Query* laborLines() const { return labor_; }
    QTableView* documentGrid() const { return grid1_; }

private:
    void showLines();

    QLineEdit* vin_;
    QLineEdit* plate_;
    QLineEdit* truck_;
    QTableView* grid1_;
    QTableView* grid2_;
    QTableView* grid3_;
    kestrum::Query* docs_;
    kestrum::Query* items_;
    kestrum::Query* labor_;
};

extern QPointer<TVehicleHistory> VehicleHistory;

namespace kestrum::reports {
/// \brief The statement listing a vehicle's documents for the given texts (blanks dropped, any
/// of the non-empty ones matching anywhere in its column, case-insensitively and literally);
/// values to bind are appended to `values`. Empty texts give an empty string (no statement).
QString vehicleDocumentsSql(const QString& vin, const QString& plate, const QString& truck, QVariantList& values);
}  // namespace kestrum::reports
