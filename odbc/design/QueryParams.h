// The parameter editor: the values and types of a query's parameters, edited on a copy that OK
// gives back to the query.
#pragma once

#include <vantrel/core/ODBCParams.h>
#include <vantrel/design/DesignRegistry.h>

#include <QDialog>

#include <memory>

namespace Ui {
class TQueryParams;
}

namespace vantrel {

class TDataSet;

/// The type names by field type ordinal, from ftUnknown (shown empty).
extern const ResourceString SODBCParamTypeNames;
extern const ResourceString SODBCInvalidParamType;

class TQueryParams : public QDialog {
    Q_OBJECT
public:
    /// \brief Edits a copy of `params`; Params() is the edited list.
    TQueryParams(const TODBCParams& params, QWidget* parent = nullptr);
    ~TQueryParams() override;

    TODBCParams& Params() { return FParams; }
    /// \brief Stores the value text into the chosen parameter; false (with the message shown)
    /// when it does not convert to the parameter's type, the parameter then keeps its value.
    bool StoreValue();
    void accept() override;

private:
    void ShowParam(int row);
    void TypeChosen(int index);
    void NullToggled(bool null);
    TODBCParam* Current() const;

    std::unique_ptr<Ui::TQueryParams> ui;
    TODBCParams FParams;
    bool FShowing = false;
};

/// \brief Opens the editor for `params` of `dataset`; OK assigns the edited list. True when OK.
bool EditQueryParams(TDataSet* dataset, TODBCParams* params, QWidget* parent = nullptr);

/// \brief The property editor of "Params": shows "(TODBCParams)" and opens the parameter editor.
class TODBCParamsProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    String GetValue() const override;
    bool Edit(QWidget* parent) override;
};

} // namespace vantrel
