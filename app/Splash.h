#pragma once
// The start-up splash: a borderless centred panel shown while the program loads.
#include <QWidget>
#include <memory>

namespace Ui {
class TSplash;
}

class TSplash : public QWidget {
    Q_OBJECT
public:
    explicit TSplash(QWidget* parent = nullptr);
    ~TSplash() override;
    /// Shows it centred on the screen and paints it at once.
    void showNow();

private:
    std::unique_ptr<Ui::TSplash> ui;
};
