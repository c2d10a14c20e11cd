// The designer program's window: the palette, the components of a stored form, the form surface
// that shows its grids where they stand, and the properties of the chosen component; registered
// editors open for their properties.
#pragma once

#include <vantrel/framework/Streaming.h>

#include <QMainWindow>

#include <memory>

namespace Ui {
class TDesignerWindow;
}

namespace vantrel {

class TDesignerWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit TDesignerWindow(QWidget* parent = nullptr);
    ~TDesignerWindow() override;

    TComponent* Form() const { return FForm.get(); }
    /// \brief Reads a stored form; on failure the message is shown and the open form is kept.
    bool OpenForm(const QString& path);
    /// \brief Writes the form; nothing is replaced when writing fails.
    bool SaveForm(const QString& path);
    /// \brief Adds a component of a palette class with a fresh name (a grid also appears on the
    /// form surface); null for a widget class.
    TComponent* AddComponent(const QString& className);
    void SelectComponent(const QString& name);
    /// \brief Sets a property of the chosen component from its text; false with a message.
    bool SetProperty(const QString& name, const QString& text);
    /// \brief Opens the editor registered for a property of the chosen component.
    bool EditProperty(const QString& name);

    /// \brief Where the form's grids are shown.
    QWidget* Surface() const;

private:
    void ShowComponents();
    void PlaceGrids();
    void ShowProperties();
    TComponent* Current() const;
    void Fail(const QString& text);

    std::unique_ptr<Ui::TDesignerWindow> ui;
    std::unique_ptr<TComponent> FForm;
    bool FShowing = false;
};

} // namespace vantrel
