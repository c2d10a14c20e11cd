#include "TReport.h"

#include "ui_TReport.h"

#include "Dialogs.h"
#include "Mdi.h"

#include <QPushButton>

QPointer<TReport> Report;

const QList<std::pair<QString, QString>>& TReport::menu()
{
    static const QList<std::pair<QString, QString>> buttons = {
        {"Button1", "TReportPayable"},     {"Button2", "TReportReceivable"},
        {"Button3", "TReportBank"},
        {"Button4", "TOpenInvoice"},       {"Button5", "TReportCustomer"},
        {"Button6", "TReportVendor1"},     {"Button7", "TReportItems"},
        {"Button8", "TTotalReceivable"},   {"Button9", "TTotalAmountReport"},
        {"Button11", "TFinishedInvoiceReport"},
    };
    return buttons;
}

TReport::TReport(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::TReport>())
{
    ui->setupUi(this);
    for (const auto& [button, className] : menu()) {
        auto* b = findChild<QPushButton*>(button);
        const QString name = className;
        // Report windows are children of the frame like the menu; the one-window rule is the
        // launcher's and does not apply here.
        connect(b, &QPushButton::clicked, this, [name] { kestrum::ui::runGuarded([&] { kestrum::ui::launchWindow(name, false); }); });
    }
    connect(ui->Button10, &QPushButton::clicked, this, [this] { kestrum::ui::closeWindow(this); });
    Report = this;
}

TReport::~TReport() = default;
