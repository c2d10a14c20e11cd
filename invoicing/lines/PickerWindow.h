#pragma once
// The finders: hidden start-up windows listing a catalogue (parts, labor jobs) with a search box;
// "Select" copies the current row into a line editor and hides the finder. The editor is looked up
// through a function (its global reference) at the moment of selecting, so a finder whose editor
// has been closed only hides. Form: grid DBGrid1, the search box, the Select and Close buttons of
// the PickerSpec, optionally a navigator NavFirst..NavLast.
#include "AuxWindow.h"
#include "LineSpec.h"

#include <functional>

class QTableView;

namespace kestrum {
class Query;
class QueryModel;
}  // namespace kestrum

namespace kestrum::ui {
class Grid;
}

namespace kestrum::lines {

class LineEditor;

class PickerWindow : public ui::AuxWindow {
    Q_OBJECT
public:
    using Target = std::function<LineEditor*()>;
    ~PickerWindow() override;

    const PickerSpec& spec() const { return spec_; }
    kestrum::Query* listQuery() const;
    QTableView* grid() const;

    /// Lists every row (sorted) or, with a search text, the rows whose search column contains it.
    void reload();
    /// "Select": copies the current row into the target editor, then hides.
    void selectRow();

signals:
    /// A row was copied into an editor.
    void picked();

protected:
    PickerWindow(PickerSpec spec, Target target, QWidget* parent = nullptr);
    /// Wires the form's controls by name; call once after setupUi.
    void setupPicker();
    void showEvent(QShowEvent* event) override;

private:
    PickerSpec spec_;
    Target target_;
    ui::Grid* grid_ = nullptr;
    kestrum::QueryModel* model_ = nullptr;
};

}  // namespace kestrum::lines
