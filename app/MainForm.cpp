#include "MainForm.h"

#include "Accessibility.h"
#include "BackupUi.h"
#include "DataModule.h"
#include "Dialogs.h"
#include "Grid.h"
#include "Help.h"
#include "Mdi.h"
#include "Pass.h"
#include "Query.h"
#include "ui_MainForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStatusTipEvent>
#include <QStyle>

QPointer<TMainForm> MainForm;

namespace {
// Background of the frame, the launcher panel and the status bar (a pale blue).
constexpr quint32 FrameColour = 16510442;

struct Glyph {
    const char* button;
    QStyle::StandardPixmap pixmap;
};
constexpr Glyph glyphs[] = {
    {"SpeedButton14", QStyle::SP_DriveHDIcon},      {"SpeedButton1", QStyle::SP_FileDialogListView},
    {"SpeedButton2", QStyle::SP_DirHomeIcon},       {"SpeedButton9", QStyle::SP_DirHomeIcon},
    {"SpeedButton5", QStyle::SP_FileDialogInfoView}, {"SpeedButton10", QStyle::SP_FileDialogNewFolder},
    {"SpeedButton13", QStyle::SP_DialogSaveButton}, {"SpeedButton4", QStyle::SP_BrowserReload},
    {"SpeedButton6", QStyle::SP_FileIcon},          {"SpeedButton7", QStyle::SP_FileLinkIcon},
    {"SpeedButton11", QStyle::SP_ArrowForward},     {"SpeedButton12", QStyle::SP_ArrowBack},
    {"SpeedButton18", QStyle::SP_FileDialogDetailedView}, {"SpeedButton3", QStyle::SP_FileDialogContentsView},
    {"SpeedButton15", QStyle::SP_ComputerIcon},     {"SpeedButton16", QStyle::SP_DialogYesButton},
    {"SpeedButton17", QStyle::SP_DialogApplyButton}, {"SpeedButton8", QStyle::SP_DialogCloseButton},
};
}  // namespace

const QList<TMainForm::Launch>& TMainForm::launchers()
{
    static const QList<Launch> list = {
        {"SpeedButton14", "TBank", true},           {"SpeedButton1", "TPart", false},
        {"SpeedButton2", "TCompany", false},        {"SpeedButton9", "TCustomer", false},
        {"SpeedButton5", "TEmployee", true},        {"SpeedButton10", "TPoOrder", true},
        {"SpeedButton13", "TDeposit", true},        {"SpeedButton4", "TLabor", false},
        {"SpeedButton6", "TInvoice", true},         {"SpeedButton7", "TBill", true},
        {"SpeedButton11", "TPayable", true},        {"SpeedButton12", "TReceivable", true},
        {"SpeedButton18", "TEstimate", true},       {"SpeedButton3", "TReport", true},
        {"SpeedButton15", "TTax", true},            {"SpeedButton16", "TChangePassword", true},
        {"SpeedButton17", "TProfile", true},
    };
    return list;
}

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent), ui(std::make_unique<Ui::TMainForm>())
{
    ui->setupUi(this);
    const QColor frame = kestrum::ui::colorValue(FrameColour);
    const QString background = QStringLiteral("background-color: %1;").arg(frame.name());
    ui->Panel1->setStyleSheet(QStringLiteral("QFrame#Panel1 { %1 }").arg(background));
    ui->StatusLine->setStyleSheet(QStringLiteral("QStatusBar { %1 }").arg(background));
    ui->MdiArea->setBackground(frame);

    // The shop's name sits in the middle of the client area, under the children.
    ui->Label3->setParent(ui->MdiArea->viewport());
    ui->Label3->setAttribute(Qt::WA_TransparentForMouseEvents);
    ui->Label3->lower();
    ui->Label3->show();
    ui->MdiArea->viewport()->installEventFilter(this);
    kestrum::ui::setMdiArea(ui->MdiArea);

    for (const Glyph& g : glyphs)
        if (auto* b = findChild<QToolButton*>(g.button))
            b->setIcon(style()->standardIcon(g.pixmap));
    for (const Launch& l : launchers()) {
        auto* b = findChild<QToolButton*>(l.button);
        QString className = l.className;
        bool guarded = l.guarded;
        connect(b, &QToolButton::clicked, this, [className, guarded] {
            kestrum::ui::runGuarded([&] { kestrum::ui::launchWindow(className, guarded); });
        });
    }
    connect(ui->SpeedButton8, &QToolButton::clicked, this, &TMainForm::SpeedButton8Click);
    connect(ui->WindowTileItem, &QAction::triggered, this, &TMainForm::WindowTile);
    connect(ui->WindowCascadeItem, &QAction::triggered, this, &TMainForm::WindowCascade);
    connect(ui->WindowArrangeItem, &QAction::triggered, this, &TMainForm::WindowArrange);
    connect(ui->HelpContentsItem, &QAction::triggered, this, &TMainForm::HelpContents);
    connect(ui->HelpSearchItem, &QAction::triggered, this, &TMainForm::HelpSearch);
    connect(ui->HelpHowToUseItem, &QAction::triggered, this, &TMainForm::HelpHowToUse);
    connect(ui->HelpAboutItem, &QAction::triggered, this, &TMainForm::HelpAbout);
    addShopMenu();
    kestrum::backup::addDatabaseMenu(this);
    kestrum::ui::nameControls(this);
}

void TMainForm::addShopMenu()
{
    // Windows beyond the launcher's; they open beside others, but not before the login.
    auto* shop = new QMenu(QStringLiteral("&Shop"), ui->MainMenu);
    shop->setObjectName(QStringLiteral("ShopMenu"));
    ui->MainMenu->insertMenu(ui->HelpMenu->menuAction(), shop);
    const std::pair<const char*, const char*> items[] = {{"&Vehicle History", "TVehicleHistory"},
                                                         {"Receivables &Aging", "TReceivablesAging"}};
    for (const auto& [text, className] : items) {
        QAction* a = shop->addAction(QString::fromUtf8(text));
        a->setObjectName(QStringLiteral("Shop") + QLatin1String(className).mid(1));
        const QString name = QLatin1String(className);
        connect(a, &QAction::triggered, this, [name] {
            kestrum::ui::runGuarded([&] {
                if (Pass) {
                    kestrum::ui::showMessage(kestrum::ui::oneWindowMessage());
                    return;
                }
                kestrum::ui::launchWindow(name, false);
            });
        });
    }
}

TMainForm::~TMainForm()
{
    if (kestrum::ui::mdiArea() == ui->MdiArea)
        kestrum::ui::setMdiArea(nullptr);
}

QLabel* TMainForm::Label3() const { return ui->Label3; }
QLabel* TMainForm::Label7() const { return ui->Label7; }
QStatusBar* TMainForm::StatusLine() const { return ui->StatusLine; }
QMdiArea* TMainForm::MdiArea() const { return ui->MdiArea; }

bool TMainForm::event(QEvent* event)
{
    // Hints of the menu items arrive as status tips.
    if (event->type() == QEvent::StatusTip) {
        ShowHint(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void TMainForm::ShowHint(const QString& hint)
{
    ui->StatusLine->showMessage(hint);
}

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        kestrum::ui::runGuarded([this] { FormShow(); });
    }
}

void TMainForm::FormShow()
{
    // Read once; a later change of the profile shows at the next start.
    ui->Label3->setText(DM ? DM->QReg1->FieldByName("Name_R").AsString() : QString());
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->MdiArea->viewport() && event->type() == QEvent::Resize)
        ui->Label3->setGeometry(ui->MdiArea->viewport()->rect());
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    QMainWindow::closeEvent(event);
    if (event->isAccepted()) {
        closeHelp();
        QApplication::quit();  // hidden auxiliary windows must not keep the program running
    }
}

void TMainForm::WindowTile()
{
    ui->MdiArea->tileSubWindows();
}

void TMainForm::WindowCascade()
{
    ui->MdiArea->cascadeSubWindows();
}

void TMainForm::WindowArrange()
{
    // Minimised children in one row along the foot of the frame.
    int x = 0;
    const int bottom = ui->MdiArea->viewport()->height();
    for (QMdiSubWindow* w : ui->MdiArea->subWindowList()) {
        if (!w->isMinimized())
            continue;
        w->move(x, bottom - w->height());
        x += w->width();
    }
}

void TMainForm::HelpContents()
{
    showHelp(HelpPage::Contents);
}

void TMainForm::HelpSearch()
{
    showHelp(HelpPage::Topics);
}

void TMainForm::HelpHowToUse()
{
    showHelp(HelpPage::HowToUse);
}

void TMainForm::HelpAbout()
{
    // Deliberately nothing: the program's name and the brand are on the main window itself.
}

void TMainForm::SpeedButton8Click()
{
    close();
}
