#pragma once
// The hidden top-level picker and history windows that live for the whole run.
#include <QString>
#include <QWidget>

namespace kestrum::ui {

/// \brief Base of the auxiliary windows: a top-level window (not an MDI child) whose close
/// only hides it. Show() shows it; ShowModal() shows it application-modal and returns when
/// it is hidden again.
class AuxWindow : public QWidget {
    Q_OBJECT
public:
    explicit AuxWindow(QWidget* parent = nullptr);

    void Show();
    void ShowModal();
    bool inModalLoop() const { return modal_; }

signals:
    /// Emitted whenever the window is hidden (closed).
    void hidden();

protected:
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    bool modal_ = false;
};

/// \brief Creates the auxiliary window of a class at start-up: through the WindowFactory when
/// a module provides the class, otherwise a plain AuxWindow titled `caption`. Hidden; kept
/// until destroyAuxWindows().
QWidget* createAuxWindow(const QString& className, const QString& caption);
/// The auxiliary window of a class, or nullptr.
QWidget* auxWindow(const QString& className);
/// Frees every auxiliary window (at exit).
void destroyAuxWindows();

}  // namespace kestrum::ui
