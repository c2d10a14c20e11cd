#pragma once
// The report menu: a column of buttons, each opening one report window.
#include <QPointer>
#include <QWidget>

#include <memory>

namespace Ui {
class TReport;
}

class TReport : public QWidget {
    Q_OBJECT
public:
    explicit TReport(QWidget* parent = nullptr);
    ~TReport() override;

    /// Class of the window each menu button opens.
    static const QList<std::pair<QString, QString>>& menu();

private:
    std::unique_ptr<Ui::TReport> ui;
};

extern QPointer<TReport> Report;
