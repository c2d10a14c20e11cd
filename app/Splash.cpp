#include "Splash.h"

#include "ui_Splash.h"

#include <QApplication>
#include <QScreen>

TSplash::TSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), ui(std::make_unique<Ui::TSplash>())
{
    ui->setupUi(this);
}

TSplash::~TSplash() = default;

void TSplash::showNow()
{
    if (QScreen* screen = QApplication::primaryScreen()) {
        QRect r = rect();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    show();
    repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
