#pragma once
// The main window: the MDI frame with the launcher panel on its left edge.
#include <QMainWindow>
#include <QPointer>
#include <memory>

class QLabel;
class QMdiArea;
class QStatusBar;
class QToolButton;

namespace Ui {
class TMainForm;
}

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    /// Registers its MDI frame with the toolkit, so windows open as its children.
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // The controls other windows read or write (the user name goes into Label7).
    QLabel* Label3() const;
    QLabel* Label7() const;
    QStatusBar* StatusLine() const;
    QMdiArea* MdiArea() const;

    /// One launcher button: the window class it opens and whether the one-window rule guards it.
    struct Launch {
        const char* button;
        const char* className;
        bool guarded;
    };
    static const QList<Launch>& launchers();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormShow();
    void ShowHint(const QString& hint);
    void WindowTile();
    void WindowCascade();
    void WindowArrange();
    void HelpContents();
    void HelpSearch();
    void HelpHowToUse();
    void HelpAbout();
    void SpeedButton8Click();
    void addShopMenu();

    std::unique_ptr<Ui::TMainForm> ui;
    bool shown_ = false;
};

extern QPointer<TMainForm> MainForm;
