#include <vantrel/design/DesignerWindow.h>

#include "ui_DesignerWindow.h"

#include <vantrel/design/DesignRegistry.h>
#include <vantrel/grid/GridComponent.h>

#include <QFile>
#include <QSaveFile>

namespace vantrel {

namespace {
QString q(const String& s) { return QString::fromStdString(s); }
String s(const QString& t) { return t.toStdString(); }

// A set property as the list shows it: "[dgTitles,dgIndicator]".
String SetText(const TPropInfo& p, int64_t mask) {
    String text;
    for (size_t i = 0; i < p.EnumNames.size() && i < 63; ++i)
        if (mask & (int64_t(1) << i))
            text += (text.empty() ? "" : ",") + p.EnumNames[i];
    return "[" + text + "]";
}

int64_t ParseSet(const TPropInfo& p, const String& text) {
    String body = Trim(text);
    if (body.size() >= 2 && body.front() == '[' && body.back() == ']')
        body = body.substr(1, body.size() - 2);
    int64_t mask = 0;
    size_t start = 0;
    while (start <= body.size()) {
        size_t comma = body.find(',', start);
        String member = Trim(body.substr(start, comma == String::npos ? String::npos : comma - start));
        if (!member.empty()) {
            int64_t v = p.EnumValue(member);
            if (v < 0 || v >= 63)
                throw EConvertError("'" + member + "' is not a member of " + p.Name);
            mask |= int64_t(1) << v;
        }
        if (comma == String::npos)
            break;
        start = comma + 1;
    }
    return mask;
}
} // namespace

TDesignerWindow::TDesignerWindow(QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::TDesignerWindow>()), FForm(std::make_unique<TComponent>(nullptr)) {
    ui->setupUi(this);
    RegisterVantrelDesign();
    FForm->SetName("DataModule1");
    for (const String& page : PalettePages())
        for (const TPaletteEntry& e : PaletteComponents(page)) {
            auto* item = new QListWidgetItem(q(e.ClassName), ui->Palette);
            item->setToolTip(q(page));
            if (e.Widget) // placed on forms with the Qt Designer plugin
                item->setFlags(item->flags() & ~Qt::ItemIsEnabled);
        }
    ui->PropertyList->setHorizontalHeaderLabels({"Property", "Value"});
    connect(ui->Palette, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        AddComponent(item->text());
    });
    connect(ui->ComponentList, &QListWidget::currentRowChanged, this, [this] { ShowProperties(); });
    connect(ui->PropertyList, &QTableWidget::cellChanged, this, [this](int row, int col) {
        if (FShowing || col != 1)
            return;
        if (!SetProperty(ui->PropertyList->item(row, 0)->text(), ui->PropertyList->item(row, 1)->text()))
            ShowProperties();
    });
    connect(ui->PropertyList, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        EditProperty(ui->PropertyList->item(row, 0)->text());
    });
    ShowComponents();
}

TDesignerWindow::~TDesignerWindow() = default;

void TDesignerWindow::Fail(const QString& text) { ui->MessageLabel->setText(text); }

bool TDesignerWindow::OpenForm(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Fail("Cannot open " + path + ": " + file.errorString());
        return false;
    }
    QByteArray bytes = file.readAll();
    try {
        TMemoryStream stream;
        stream.WriteBuffer(bytes.constData(), bytes.size());
        stream.SetPosition(0);
        std::unique_ptr<TComponent> form(ReadComponent(stream, nullptr));
        form->SetDesigning(true);
        FForm = std::move(form);
    } catch (const std::exception& e) {
        Fail("Cannot read " + path + ": " + QString::fromUtf8(e.what()));
        return false;
    }
    ui->MessageLabel->clear();
    ShowComponents();
    PlaceGrids();
    return true;
}

bool TDesignerWindow::SaveForm(const QString& path) {
    try {
        TMemoryStream stream;
        WriteComponent(stream, FForm.get());
        QByteArray bytes(static_cast<int>(stream.Size()), '\0');
        stream.SetPosition(0);
        stream.ReadBuffer(bytes.data(), bytes.size());
        QSaveFile file(path); // the old file stays until the new one is complete
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
            Fail("Cannot write " + path + ": " + file.errorString());
            return false;
        }
    } catch (const std::exception& e) {
        Fail("Cannot write " + path + ": " + QString::fromUtf8(e.what()));
        return false;
    }
    ui->MessageLabel->clear();
    return true;
}

TComponent* TDesignerWindow::AddComponent(const QString& className) {
    const TClassInfo* info = FindClassInfo(s(className));
    if (!info || !info->Create)
        return nullptr;
    String base = info->Name.size() > 1 && info->Name[0] == 'T' ? info->Name.substr(1) : info->Name;
    int n = 1;
    while (FForm->FindComponent(base + std::to_string(n)))
        ++n;
    TComponent* c = info->Create(FForm.get());
    c->SetName(base + std::to_string(n));
    c->SetDesigning(true);
    ShowComponents();
    PlaceGrids();
    SelectComponent(q(c->Name()));
    return c;
}

QWidget* TDesignerWindow::Surface() const { return ui->FormSurface; }

void TDesignerWindow::PlaceGrids() {
    for (int i = 0; i < FForm->ComponentCount(); ++i) {
        auto* holder = dynamic_cast<TDBGridComponent*>(FForm->Components(i));
        TCustomDBGrid* grid = holder ? holder->Grid() : nullptr;
        if (!grid || grid->parentWidget() == ui->FormSurface)
            continue;
        const QRect where = grid->geometry();
        grid->setParent(ui->FormSurface);
        grid->setGeometry(where);
        grid->setAccessibleName(q(holder->Name()));
        grid->show();
    }
}

void TDesignerWindow::ShowComponents() {
    ui->ComponentList->clear();
    for (int i = 0; i < FForm->ComponentCount(); ++i)
        ui->ComponentList->addItem(q(FForm->Components(i)->Name()));
    ShowProperties();
}

void TDesignerWindow::SelectComponent(const QString& name) {
    auto found = ui->ComponentList->findItems(name, Qt::MatchFixedString);
    if (!found.isEmpty())
        ui->ComponentList->setCurrentItem(found.first());
}

TComponent* TDesignerWindow::Current() const {
    int row = ui->ComponentList->currentRow();
    return row >= 0 && row < FForm->ComponentCount() ? FForm->Components(row) : nullptr;
}

void TDesignerWindow::ShowProperties() {
    FShowing = true;
    ui->PropertyList->setRowCount(0);
    TComponent* c = Current();
    if (c) {
        for (const TPropInfo* p : DesignProperties(c)) {
            int row = ui->PropertyList->rowCount();
            ui->PropertyList->insertRow(row);
            auto* name = new QTableWidgetItem(q(p->Name));
            name->setFlags(name->flags() & ~Qt::ItemIsEditable);
            ui->PropertyList->setItem(row, 0, name);
            String text;
            bool editable = true;
            if (auto editor = FindPropertyEditor(c, *p)) {
                text = editor->GetValue();
                editable = false;
            } else if (p->Kind == TTypeKind::String) {
                text = p->GetStr(c);
            } else if (p->Kind == TTypeKind::Float) {
                text = FloatToStr(p->GetFloat(c));
            } else if (p->Kind == TTypeKind::Enumeration) {
                text = p->EnumName(p->GetOrd(c));
            } else if (p->Kind == TTypeKind::Boolean) {
                text = p->GetOrd(c) ? "True" : "False";
            } else if (p->Kind == TTypeKind::Integer) {
                text = std::to_string(p->GetOrd(c));
            } else if (p->Kind == TTypeKind::Set) {
                text = SetText(*p, p->GetOrd(c));
            } else if (p->Kind == TTypeKind::Component) {
                TComponent* target = p->GetComponent(c);
                text = target ? target->Name() : String();
            } else {
                TPersistent* o = p->GetObject ? p->GetObject(c) : nullptr;
                text = "(" + (o ? o->ClassName() : String()) + ")";
                editable = false;
            }
            auto* value = new QTableWidgetItem(q(text));
            if (!editable)
                value->setFlags(value->flags() & ~Qt::ItemIsEditable);
            ui->PropertyList->setItem(row, 1, value);
        }
    }
    FShowing = false;
}

bool TDesignerWindow::SetProperty(const QString& name, const QString& text) {
    TComponent* c = Current();
    const TPropInfo* p = c ? FindDesignProperty(c, s(name)) : nullptr;
    if (!p) {
        Fail("No property " + name);
        return false;
    }
    String v = s(text);
    try {
        switch (p->Kind) {
        case TTypeKind::String: p->SetStr(c, v); break;
        case TTypeKind::Integer: p->SetOrd(c, StrToInt64(v)); break;
        case TTypeKind::Set: p->SetOrd(c, ParseSet(*p, v)); break;
        case TTypeKind::Float: p->SetFloat(c, StrToFloat(v)); break;
        case TTypeKind::Boolean:
            if (!SameText(v, "True") && !SameText(v, "False"))
                throw EConvertError("'" + v + "' is not True or False");
            p->SetOrd(c, SameText(v, "True") ? 1 : 0);
            break;
        case TTypeKind::Enumeration: {
            int64_t ord = p->EnumValue(v);
            if (ord < 0)
                throw EConvertError("'" + v + "' is not a value of " + p->Name);
            p->SetOrd(c, ord);
            break;
        }
        case TTypeKind::Component: {
            TComponent* target = v.empty() ? nullptr : FForm->FindComponent(v);
            if (!v.empty() && !target)
                throw EConvertError("No component " + v);
            p->SetComponent(c, target);
            break;
        }
        default: throw EConvertError(p->Name + " is edited with its editor");
        }
    } catch (const std::exception& e) {
        Fail(QString::fromUtf8(e.what()));
        return false;
    }
    ui->MessageLabel->clear();
    ShowProperties();
    return true;
}

bool TDesignerWindow::EditProperty(const QString& name) {
    TComponent* c = Current();
    const TPropInfo* p = c ? FindDesignProperty(c, s(name)) : nullptr;
    auto editor = p ? FindPropertyEditor(c, *p) : nullptr;
    if (!editor)
        return false;
    bool changed = editor->Edit(this);
    ShowProperties();
    return changed;
}

} // namespace vantrel
