// The field editor of an entity: its field list edited on a copy (add, delete, reorder, the options
// of the chosen field) that OK writes back to the entity.
#pragma once

#include <vantrel/core/ODBCError.h>
#include <vantrel/design/DesignRegistry.h>
#include <vantrel/framework/DBFields.h>

#include <QDialog>

#include <array>
#include <memory>
#include <vector>

class QCheckBox;

namespace Ui {
class TfrmFieldEditor;
}

namespace vantrel {

class TFieldItem;
class TUserEntity;

extern const ResourceString SEntityFieldPropertyName;
extern const ResourceString SEntityFieldNewName;
extern const ResourceString SEntityFieldEmptyName;
extern const ResourceString SEntityFieldInvalidName;
extern const ResourceString SEntityFieldDuplicateName;
extern const ResourceString SEntityFieldInvalidTable;

/// \brief What the editor edits of one field item; `Source` is the item it came from (null for a
/// field added in the editor), so its run-time values survive the edit.
struct TFieldDraft {
    TFieldItem* Source = nullptr;
    String FactName;
    String SelectStr;
    String DisplayName;
    String viewTable;
    bool flgView = true;
    bool flgVisible = true;
    bool flgSort = false;
    bool IdentRecord = false;
    bool IsBookMark = true;
    int dspWidth = 10;
    TFieldType fType = ftString;
    /// Membership of fetSelect ... fetClose.
    std::array<bool, 7> Exec{true, true, true, true, false, false, false};
    String NameWrapper;
    String PhraseWrapper;

    bool operator==(const TFieldDraft&) const = default;
};

/// \brief Why `name` cannot be a field's column and parameter name, or "" when it can: it must not
/// be empty nor hold quotes, ";", control characters, the name wrapper's characters or outer spaces.
String FieldNameProblem(const String& name, const String& wrapper);

class TfrmFieldEditor : public QDialog {
    Q_OBJECT
public:
    explicit TfrmFieldEditor(std::vector<TFieldDraft> fields, QWidget* parent = nullptr);
    ~TfrmFieldEditor() override;

    const std::vector<TFieldDraft>& Fields() const { return FFields; }
    /// \brief Offers `names` (the table's columns) for completion of "Name:".
    void SetKnownColumns(const std::vector<String>& names);
    void ShowMessage(const QString& text);
    /// \brief False (with the message shown, the field chosen and its box focused) when a field
    /// cannot be written.
    bool Validate();
    void accept() override;

    void AddField();
    void DeleteField();
    void MoveField(int from, int to);

private:
    void ShowField(int row);
    void RowsMoved(int from, int to);
    TFieldDraft* Current();
    void Changed();
    void EnableButtons();
    void Fail(int row, QWidget* box, const String& message);

    std::unique_ptr<Ui::TfrmFieldEditor> ui;
    std::vector<TFieldDraft> FFields;
    std::array<QCheckBox*, 7> FExecBoxes{};
    bool FShowing = false;
};

/// \brief The entity's field items as drafts, in list order.
std::vector<TFieldDraft> EntityFieldDrafts(TUserEntity* entity);
/// \brief Makes the entity's field list the drafts, in their order; a draft that came from an item
/// keeps that item's other settings and current values (display format, sort direction, values).
void ApplyFieldDrafts(TUserEntity* entity, const std::vector<TFieldDraft>& fields);

/// \brief Opens the editor on the entity's fields; OK writes the edited list. The columns of the
/// entity's fact table (or its view) on the library's connection, when it is connected, are
/// offered for completion. True when OK.
bool EditEntityFields(TUserEntity* entity, QWidget* parent = nullptr);

/// \brief The editor of "lstFields": shows "(Entity Fields)" and opens the dialog.
class TEntityFieldProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    String GetValue() const override;
    bool Edit(QWidget* parent) override;
};

} // namespace vantrel
