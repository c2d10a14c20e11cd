// The stored-procedure editor of an entity: one procedure name per operation, edited apart from the
// entity and written back by OK.
#pragma once

#include <vantrel/core/ODBCError.h>
#include <vantrel/design/DesignRegistry.h>

#include <QDialog>

#include <array>
#include <memory>
#include <vector>

class QLineEdit;

namespace Ui {
class TfrmSPEntity;
}

namespace vantrel {

class TODBCDatabase;
class TUserEntity;

/// Seven names, in the order of the entity's operations (select ... close).
using TProcedureNames = std::array<String, 7>;

extern const ResourceString SEntitySPPropertyName;
extern const ResourceString SEntitySPInvalidName;

/// \brief Whether `name` may stand after the procedure prefix in a call: empty, or identifiers
/// (letters, digits, "_", "$", not starting with a digit) joined by ".". Anything else would change
/// the statement the entity sends, which calls only such names.
bool IsProcedureName(const String& name);

/// \brief The procedures (and functions) the driver reports on `database`, sorted, without the
/// ";n" version suffix some drivers append. Throws EODBCError.
std::vector<String> GetProcedureNames(TODBCDatabase* database);

class TfrmSPEntity : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSPEntity(const TProcedureNames& names, QWidget* parent = nullptr);
    ~TfrmSPEntity() override;

    /// \brief The names as typed, trimmed.
    TProcedureNames Names() const;
    /// \brief Offers `names` for completion in every box.
    void SetKnownProcedures(const std::vector<String>& names);
    void ShowMessage(const QString& text);
    /// \brief False (with the message shown and the box focused) when a name is not valid.
    bool Validate();
    void accept() override;

private:
    std::unique_ptr<Ui::TfrmSPEntity> ui;
    std::array<QLineEdit*, 7> FEdits{};
};

/// \brief Opens the editor on the entity's procedure names; OK writes the seven names. The
/// procedures of the library's connection (when it is connected) are offered for completion.
/// True when OK.
bool EditEntitySP(TUserEntity* entity, QWidget* parent = nullptr);

/// \brief The editor of "StoredProcedures": shows "(Strored Procedures)" and opens the dialog.
class TEntitySPProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    String GetValue() const override;
    bool Edit(QWidget* parent) override;
};

} // namespace vantrel
