// The entity as a designer component: published settings, the procedure names as one text and
// the field list stored in the form.
#include <vantrel/entity/ODBCEntity.h>

#include <vantrel/framework/Streaming.h>

namespace vantrel {

TUserEntity::TUserEntity(TComponent* owner) : TEntity(owner) {}

bool TUserEntity::CheckUpdate() {
    bool flgUpdate = false;
    if (OnCheckUpdate)
        OnCheckUpdate(this, flgUpdate);
    return flgUpdate;
}

String TUserEntity::StoredProcedures() const {
    String out;
    for (int i = 0; i < ExecTypeCount; ++i)
        out += GetSP(static_cast<TExecType>(i)) + ";";
    return out;
}

void TUserEntity::SetStoredProcedures(const String& text) {
    for (int i = 0; i < ExecTypeCount; ++i)
        SetSP(static_cast<TExecType>(i), String());
    int next = 0;
    String collected;
    for (char ch : text) {
        if (next >= ExecTypeCount)
            break;
        if (ch == ';') {
            SetSP(static_cast<TExecType>(next++), collected);
            collected.clear();
        } else {
            collected += ch;
        }
    }
}

void TUserEntity::DefineProperties(TFiler* filer) {
    TEntity::DefineProperties(filer);
    filer->DefineProperty(
        "Fields", [this](TReader& reader) { ReadData(reader); },
        [this](TWriter& writer) { WriteData(writer); }, FieldCount() > 0);
}

void TUserEntity::ReadData(TReader& reader) {
    ClearFields();
    reader.ReadListBegin();
    while (!reader.EndOfList()) {
        std::unique_ptr<TFieldItem> item(new TFieldItem(this));
        item->SetFactName(reader.ReadString());
        item->SetSelectStr(reader.ReadString());
        item->SetDisplayName(reader.ReadString());
        item->SetviewTable(reader.ReadString());
        item->SetflgView(reader.ReadBoolean());
        item->SetflgVisible(reader.ReadBoolean());
        item->SetflgSort(reader.ReadBoolean());
        item->SetIdentRecord(reader.ReadBoolean());
        item->SetIsBookMark(reader.ReadBoolean());
        item->SetdspWidth(reader.ReadInteger());
        const int type = reader.ReadInteger();
        if (type < ftUnknown || type > ftGuid)
            throw EReadError(Format("Invalid field type %d at offset %d", type, reader.Position()));
        item->SetfType(static_cast<TFieldType>(type));
        TSetExecType set;
        for (int i = 0; i < ExecTypeCount; ++i)
            if (reader.ReadString() == "Y")
                set.Include(static_cast<TExecType>(i));
        item->SetExecSet(set);
        item->SetNameWrapper(reader.ReadString());
        item->SetPhraseWrapper(reader.ReadString());
        const String name = item->FactName();
        lstFields()->AddObject(name, item.release());
    }
    reader.ReadListEnd();
}

void TUserEntity::WriteData(TWriter& writer) {
    writer.WriteListBegin();
    for (int i = 0; i < FieldCount(); ++i) {
        const TFieldItem* f = GetFields(i);
        writer.WriteString(f->FactName());
        writer.WriteString(f->SelectStr());
        writer.WriteString(f->DisplayName());
        writer.WriteString(f->viewTable());
        writer.WriteBoolean(f->flgView());
        writer.WriteBoolean(f->flgVisible());
        writer.WriteBoolean(f->flgSort());
        writer.WriteBoolean(f->IdentRecord());
        writer.WriteBoolean(f->IsBookMark());
        writer.WriteInteger(f->dspWidth());
        writer.WriteInteger(f->fType());
        for (int e = 0; e < ExecTypeCount; ++e)
            writer.WriteString(f->ExecSet().Contains(static_cast<TExecType>(e)) ? "Y" : "N");
        writer.WriteString(f->NameWrapper());
        writer.WriteString(f->PhraseWrapper());
    }
    writer.WriteListEnd();
}

// ---- Published properties -----------------------------------------------------------------------

namespace {
// In the order the designer shows them; OnCheckUpdate is code and is not stored.
const bool gUserEntityRegistered = [] {
    RegisterClass<TUserEntity, TComponent>("TUserEntity")
        // Listed for the designer and its editor; the items are stored as "Fields".
        .Object("lstFields", &TUserEntity::lstFields)
        .StoredIf([](TUserEntity*) { return false; })
        .Text("viewTable", &TUserEntity::viewTable, &TUserEntity::SetviewTable)
        .Text("factTable", &TUserEntity::factTable, &TUserEntity::SetfactTable)
        .Text("viewFull", &TUserEntity::viewFull, &TUserEntity::SetViewFull)
        .Boolean("flgReread", &TUserEntity::flgReread, &TUserEntity::SetFlgReread, false)
        .Text("viewEntity", &TUserEntity::viewEntity, &TUserEntity::SetviewEntity)
        .Boolean("LockUniDirectional", &TUserEntity::LockUniDirectional, &TUserEntity::SetLockUniDirectional,
                 false)
        .Integer("Precision", &TUserEntity::Precision, &TUserEntity::SetPrecision, 15)
        .Integer("Digits", &TUserEntity::Digits, &TUserEntity::SetDigits, 2)
        .Boolean("SaveFindIni", &TUserEntity::SaveFindIni, &TUserEntity::SetSaveFindIni, false)
        .Boolean("SaveFilterIni", &TUserEntity::SaveFilterIni, &TUserEntity::SetSaveFilterIni, false)
        .Boolean("FindSensitive", &TUserEntity::FindSensitive, &TUserEntity::SetFindSensitive, false)
        .Enum("FindOption", &TUserEntity::FindOption, &TUserEntity::SetFindOption,
              {"efoFullConCur", "efoFirstConCur", "efoSubConCur"}, efoFirstConCur)
        .Text("WherePhrase", &TUserEntity::WherePhrase, &TUserEntity::SetWherePhrase)
        .Text("FilterStr", &TUserEntity::FilterStr, &TUserEntity::SetFilterStr)
        .Enum("FindDown", &TUserEntity::FindDown, &TUserEntity::SetFindDown, {"dfNext", "dfPrior"}, dfNext)
        .Integer("Ordering", &TUserEntity::Ordering, &TUserEntity::SetOrdering, -1)
        .Boolean("OrderingDesc", &TUserEntity::OrderingDesc, &TUserEntity::SetOrderingDesc, false)
        .Text("StoredProcedures", &TUserEntity::StoredProcedures, &TUserEntity::SetStoredProcedures,
              String(";;;;;;;"));
    return true;
}();
} // namespace

} // namespace vantrel
