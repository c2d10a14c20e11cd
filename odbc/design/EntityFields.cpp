#include <vantrel/design/EntityFields.h>

#include "ui_EntityFields.h"

#include <vantrel/core/ODBCDatabase.h>
#include <vantrel/entity/ODBCEntity.h>
#include <vantrel/ext/ODBCTools.h>

#include <QCompleter>
#include <QStringListModel>

namespace vantrel {

const ResourceString SEntityFieldPropertyName{65412, "SEntityFieldPropertyName", "Entity Fields"};
const ResourceString SEntityFieldNewName{65413, "SEntityFieldNewName", "new_field"};
const ResourceString SEntityFieldEmptyName{65414, "SEntityFieldEmptyName", "Name: a field needs a name"};
const ResourceString SEntityFieldInvalidName{
    65415, "SEntityFieldInvalidName",
    "Name: \"%s\" must not hold quotes, \";\", control characters, its name wrapper or outer spaces"};
const ResourceString SEntityFieldDuplicateName{65417, "SEntityFieldDuplicateName",
                                               "Name: \"%s\" is used by another field"};
const ResourceString SEntityFieldInvalidTable{65418, "SEntityFieldInvalidTable",
                                              "Special View Table: \"%s\" is not a table name"};

namespace {

QString q(const String& s) {
    return QString::fromStdString(s);
}
String s(const QString& t) {
    return t.toStdString();
}

// The entity writes names quoted in the catalog's spelling; what is refused here is what no
// column name holds and what would end a quoted name or the statement.
bool isNameText(const String& name, const String& wrapper) {
    if (name.empty() || name.front() == ' ' || name.back() == ' ')
        return false;
    for (char c : name)
        if (c == '"' || c == '\'' || c == ';' || c == '`' || static_cast<unsigned char>(c) < ' ' ||
            wrapper.find(c) != String::npos)
            return false;
    return true;
}

// A table or alias, possibly qualified ("sales.parts").
bool isTableName(const String& name, const String& wrapper) {
    size_t start = 0;
    for (;;) {
        size_t dot = name.find('.', start);
        if (!isNameText(name.substr(start, dot == String::npos ? String::npos : dot - start), wrapper))
            return false;
        if (dot == String::npos)
            return true;
        start = dot + 1;
    }
}

} // namespace

String FieldNameProblem(const String& name, const String& wrapper) {
    if (name.empty())
        return Format(LoadResString(SEntityFieldEmptyName));
    return isNameText(name, wrapper) ? String() : Format(LoadResString(SEntityFieldInvalidName), name);
}

TfrmFieldEditor::TfrmFieldEditor(std::vector<TFieldDraft> fields, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TfrmFieldEditor>()), FFields(std::move(fields)) {
    ui->setupUi(this);
    FExecBoxes = {ui->ExecSelect, ui->ExecInsert, ui->ExecUpdate, ui->ExecDelete,
                  ui->ExecLock,   ui->ExecCLock,  ui->ExecClose};
    for (int t = ftUnknown; t <= ftGuid; ++t)
        ui->FieldType->addItem(q(FieldTypeName(static_cast<TFieldType>(t))), t);
    for (const TFieldDraft& f : FFields)
        ui->FieldList->addItem(q(f.FactName));

    connect(ui->FieldList, &QListWidget::currentRowChanged, this, &TfrmFieldEditor::ShowField);
    // A drag inside the list moves the item; the drafts follow.
    connect(ui->FieldList->model(), &QAbstractItemModel::rowsMoved, this,
            [this](const QModelIndex&, int start, int, const QModelIndex&, int row) {
                RowsMoved(start, row > start ? row - 1 : row);
            });
    connect(ui->AddButton, &QPushButton::clicked, this, &TfrmFieldEditor::AddField);
    connect(ui->DeleteButton, &QPushButton::clicked, this, &TfrmFieldEditor::DeleteField);
    connect(ui->UpButton, &QPushButton::clicked, this, [this] {
        int row = ui->FieldList->currentRow();
        MoveField(row, row - 1);
    });
    connect(ui->DownButton, &QPushButton::clicked, this, [this] {
        int row = ui->FieldList->currentRow();
        MoveField(row, row + 1);
    });

    connect(ui->FactName, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (TFieldDraft* f = FShowing ? nullptr : Current()) {
            f->FactName = s(text);
            ui->FieldList->currentItem()->setText(text);
            Changed();
        }
    });
    auto text = [this](QLineEdit* edit, String TFieldDraft::*member) {
        connect(edit, &QLineEdit::textChanged, this, [this, member](const QString& value) {
            if (TFieldDraft* f = FShowing ? nullptr : Current()) {
                f->*member = s(value);
                Changed();
            }
        });
    };
    text(ui->SelectStr, &TFieldDraft::SelectStr);
    text(ui->DisplayName, &TFieldDraft::DisplayName);
    // The item trims its view table; the draft does so too, so that what is checked is what is kept.
    connect(ui->ViewTable, &QLineEdit::textChanged, this, [this](const QString& value) {
        if (TFieldDraft* f = FShowing ? nullptr : Current()) {
            f->viewTable = s(value.trimmed());
            Changed();
        }
    });
    connect(ui->DspWidth, &QSpinBox::valueChanged, this, [this](int value) {
        if (TFieldDraft* f = FShowing ? nullptr : Current()) {
            f->dspWidth = value;
            Changed();
        }
    });
    connect(ui->FieldType, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (TFieldDraft* f = FShowing || index < 0 ? nullptr : Current()) {
            f->fType = static_cast<TFieldType>(ui->FieldType->itemData(index).toInt());
            Changed();
        }
    });
    auto flag = [this](QCheckBox* box, bool TFieldDraft::*member) {
        connect(box, &QCheckBox::toggled, this, [this, member](bool on) {
            if (TFieldDraft* f = FShowing ? nullptr : Current()) {
                f->*member = on;
                Changed();
            }
        });
    };
    flag(ui->FlgVisible, &TFieldDraft::flgVisible);
    flag(ui->FlgSort, &TFieldDraft::flgSort);
    flag(ui->IsBookMark, &TFieldDraft::IsBookMark);
    flag(ui->IdentRecord, &TFieldDraft::IdentRecord);
    flag(ui->FlgView, &TFieldDraft::flgView);
    for (size_t i = 0; i < FExecBoxes.size(); ++i)
        connect(FExecBoxes[i], &QCheckBox::toggled, this, [this, i](bool on) {
            if (TFieldDraft* f = FShowing ? nullptr : Current()) {
                f->Exec[i] = on;
                Changed();
            }
        });
    connect(ui->ButtonBox, &QDialogButtonBox::accepted, this, &TfrmFieldEditor::accept);
    connect(ui->ButtonBox, &QDialogButtonBox::rejected, this, &TfrmFieldEditor::reject);

    if (!FFields.empty())
        ui->FieldList->setCurrentRow(0);
    else
        ShowField(-1);
}

TfrmFieldEditor::~TfrmFieldEditor() = default;

TFieldDraft* TfrmFieldEditor::Current() {
    int row = ui->FieldList->currentRow();
    return row >= 0 && row < static_cast<int>(FFields.size()) ? &FFields[row] : nullptr;
}

void TfrmFieldEditor::Changed() {
    ui->MessageLabel->clear();
}

void TfrmFieldEditor::ShowMessage(const QString& text) {
    ui->MessageLabel->setText(text);
}

void TfrmFieldEditor::EnableButtons() {
    int row = ui->FieldList->currentRow();
    int count = static_cast<int>(FFields.size());
    ui->DeleteButton->setEnabled(row >= 0);
    ui->UpButton->setEnabled(row > 0);
    ui->DownButton->setEnabled(row >= 0 && row + 1 < count);
    ui->FieldOption->setEnabled(row >= 0);
}

void TfrmFieldEditor::ShowField(int row) {
    FShowing = true;
    const TFieldDraft* f = row >= 0 && row < static_cast<int>(FFields.size()) ? &FFields[row] : nullptr;
    TFieldDraft blank;
    if (!f)
        blank.Exec.fill(false);
    const TFieldDraft& d = f ? *f : blank;
    ui->FactName->setText(f ? q(d.FactName) : QString());
    ui->SelectStr->setText(q(d.SelectStr));
    ui->DisplayName->setText(q(d.DisplayName));
    ui->ViewTable->setText(q(d.viewTable));
    ui->DspWidth->setValue(d.dspWidth);
    ui->FieldType->setCurrentIndex(f ? ui->FieldType->findData(static_cast<int>(d.fType)) : -1);
    ui->FlgVisible->setChecked(f && d.flgVisible);
    ui->FlgSort->setChecked(f && d.flgSort);
    ui->IsBookMark->setChecked(f && d.IsBookMark);
    ui->IdentRecord->setChecked(f && d.IdentRecord);
    ui->FlgView->setChecked(f && d.flgView);
    for (size_t i = 0; i < FExecBoxes.size(); ++i)
        FExecBoxes[i]->setChecked(d.Exec[i]);
    FShowing = false;
    EnableButtons();
}

void TfrmFieldEditor::SetKnownColumns(const std::vector<String>& names) {
    QStringList list;
    for (const String& name : names)
        list << q(name);
    auto* completer = new QCompleter(new QStringListModel(list, this), this);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    ui->FactName->setCompleter(completer);
}

void TfrmFieldEditor::AddField() {
    // A second new field gets a number: two fields of one name would share one parameter.
    String base = LoadResString(SEntityFieldNewName);
    String name = base;
    for (int n = 1;; ++n) {
        bool taken = false;
        for (const TFieldDraft& f : FFields)
            taken = taken || SameText(f.FactName, name);
        if (!taken)
            break;
        name = base + std::to_string(n);
    }
    TFieldDraft f;
    f.FactName = name;
    FFields.push_back(f);
    ui->FieldList->addItem(q(name));
    ui->FieldList->setCurrentRow(static_cast<int>(FFields.size()) - 1);
    ui->FactName->setFocus();
    ui->FactName->selectAll();
    Changed();
}

void TfrmFieldEditor::DeleteField() {
    int row = ui->FieldList->currentRow();
    if (row < 0 || row >= static_cast<int>(FFields.size()))
        return;
    FFields.erase(FFields.begin() + row);
    delete ui->FieldList->takeItem(row);
    int next = std::min(row, static_cast<int>(FFields.size()) - 1);
    ui->FieldList->setCurrentRow(next);
    ShowField(next);
    Changed();
}

void TfrmFieldEditor::MoveField(int from, int to) {
    int count = static_cast<int>(FFields.size());
    if (from < 0 || from >= count || to < 0 || to >= count || from == to)
        return;
    QListWidgetItem* item = ui->FieldList->takeItem(from);
    ui->FieldList->insertItem(to, item);
    TFieldDraft moved = FFields[from];
    FFields.erase(FFields.begin() + from);
    FFields.insert(FFields.begin() + to, moved);
    ui->FieldList->setCurrentRow(to);
    ShowField(to);
    Changed();
}

void TfrmFieldEditor::RowsMoved(int from, int to) {
    int count = static_cast<int>(FFields.size());
    if (from < 0 || from >= count || to < 0 || to >= count || from == to)
        return;
    TFieldDraft moved = FFields[from];
    FFields.erase(FFields.begin() + from);
    FFields.insert(FFields.begin() + to, moved);
    ShowField(ui->FieldList->currentRow());
    Changed();
}

void TfrmFieldEditor::Fail(int row, QWidget* box, const String& message) {
    ui->FieldList->setCurrentRow(row);
    ShowMessage(q(message));
    box->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(box))
        edit->selectAll();
}

bool TfrmFieldEditor::Validate() {
    for (size_t i = 0; i < FFields.size(); ++i) {
        const TFieldDraft& f = FFields[i];
        int row = static_cast<int>(i);
        if (String problem = FieldNameProblem(f.FactName, f.NameWrapper); !problem.empty()) {
            Fail(row, ui->FactName, problem);
            return false;
        }
        for (size_t k = 0; k < i; ++k)
            if (SameText(FFields[k].FactName, f.FactName)) {
                Fail(row, ui->FactName, Format(LoadResString(SEntityFieldDuplicateName), f.FactName));
                return false;
            }
        if (!f.viewTable.empty() && !isTableName(f.viewTable, f.NameWrapper)) {
            Fail(row, ui->ViewTable, Format(LoadResString(SEntityFieldInvalidTable), f.viewTable));
            return false;
        }
    }
    ui->MessageLabel->clear();
    return true;
}

void TfrmFieldEditor::accept() {
    if (!Validate())
        return;
    QDialog::accept();
}

std::vector<TFieldDraft> EntityFieldDrafts(TUserEntity* entity) {
    std::vector<TFieldDraft> drafts;
    for (int i = 0; entity && i < entity->FieldCount(); ++i) {
        TFieldItem* item = entity->GetFields(i);
        TFieldDraft d;
        d.Source = item;
        d.FactName = item->FactName();
        d.SelectStr = item->SelectStr();
        d.DisplayName = item->DisplayName();
        d.viewTable = item->viewTable();
        d.flgView = item->flgView();
        d.flgVisible = item->flgVisible();
        d.flgSort = item->flgSort();
        d.IdentRecord = item->IdentRecord();
        d.IsBookMark = item->IsBookMark();
        d.dspWidth = item->dspWidth();
        d.fType = item->fType();
        for (int op = 0; op < ExecTypeCount; ++op)
            d.Exec[op] = item->ExecSet().Contains(static_cast<TExecType>(op));
        d.NameWrapper = item->NameWrapper();
        d.PhraseWrapper = item->PhraseWrapper();
        drafts.push_back(std::move(d));
    }
    return drafts;
}

void ApplyFieldDrafts(TUserEntity* entity, const std::vector<TFieldDraft>& fields) {
    // Copies of the items the drafts came from, made before the list is touched: their display
    // formats, sort directions and current values go over to the new items.
    std::vector<std::unique_ptr<TFieldItem>> kept;
    for (const TFieldDraft& d : fields) {
        std::unique_ptr<TFieldItem> copy;
        if (d.Source) {
            copy = std::make_unique<TFieldItem>(entity);
            copy->Assign(d.Source);
        }
        kept.push_back(std::move(copy));
    }
    entity->ClearFields();
    for (size_t i = 0; i < fields.size(); ++i) {
        const TFieldDraft& d = fields[i];
        TSetExecType exec;
        for (int op = 0; op < ExecTypeCount; ++op)
            if (d.Exec[op])
                exec.Include(static_cast<TExecType>(op));
        TFieldItem* item = entity->CreateField(d.FactName, d.SelectStr, d.DisplayName, d.dspWidth, d.flgView,
                                               d.flgVisible, d.flgSort, d.IdentRecord, d.fType, exec);
        if (kept[i])
            item->Assign(kept[i].get());
        item->SetFactName(d.FactName);
        item->SetSelectStr(d.SelectStr);
        item->SetDisplayName(d.DisplayName);
        item->SetviewTable(d.viewTable);
        item->SetflgView(d.flgView);
        item->SetflgVisible(d.flgVisible);
        item->SetflgSort(d.flgSort);
        item->SetIdentRecord(d.IdentRecord);
        item->SetIsBookMark(d.IsBookMark);
        item->SetdspWidth(d.dspWidth);
        item->SetfType(d.fType);
        item->SetExecSet(exec);
        item->SetNameWrapper(d.NameWrapper);
        item->SetPhraseWrapper(d.PhraseWrapper);
    }
}

bool EditEntityFields(TUserEntity* entity, QWidget* parent) {
    if (!entity)
        return false;
    TfrmFieldEditor dialog(EntityFieldDrafts(entity), parent);
    String table = !entity->factTable().empty() ? entity->factTable() : entity->viewTable();
    if (DataBase && DataBase->Connected() && !table.empty()) {
        try {
            TStringList columns;
            DataBase->GetColumns(table, &columns);
            std::vector<String> names;
            for (int i = 0; i < columns.Count(); ++i)
                names.push_back(columns.Strings(i));
            dialog.SetKnownColumns(names);
        } catch (const std::exception& e) {
            // Completion is a convenience: say why it is missing and let the names be typed.
            dialog.ShowMessage(QString::fromUtf8(e.what()));
        }
    }
    if (dialog.exec() != QDialog::Accepted)
        return false;
    ApplyFieldDrafts(entity, dialog.Fields());
    return true;
}

String TEntityFieldProperty::GetValue() const {
    return Format("(%s)", LoadResString(SEntityFieldPropertyName));
}

bool TEntityFieldProperty::Edit(QWidget* parent) {
    return EditEntityFields(dynamic_cast<TUserEntity*>(Component()), parent);
}

} // namespace vantrel
