#pragma once
// Parts window: the parts catalogue with stock on hand (bought minus sold) of the current part.
#include "RecordWindow.h"

#include <QPointer>
#include <memory>

namespace Ui {
class TPart;
}

class TPart : public kestrum::records::RecordWindow {
    Q_OBJECT
public:
    explicit TPart(QWidget* parent = nullptr);
    ~TPart() override;

    /// Looks up the typed part number (done when the focus leaves "Part No" for another control
    /// of the window).
    void Edit8Exit();

protected:
    void recomputeFigures() override;
    void listReloaded() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setMatchStatus(const QString& text);

    std::unique_ptr<Ui::TPart> ui;
};

extern QPointer<TPart> Part;
