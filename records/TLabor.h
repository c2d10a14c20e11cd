#pragma once
// Labor window: the catalogue of labor jobs, with what the selected job has been invoiced.
#include "RecordWindow.h"

#include <QPointer>
#include <memory>

namespace Ui {
class TLabor;
}

class TLabor : public kestrum::records::RecordWindow {
    Q_OBJECT
public:
    explicit TLabor(QWidget* parent = nullptr);
    ~TLabor() override;

protected:
    void recomputeFigures() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<Ui::TLabor> ui;
};

extern QPointer<TLabor> Labor;
