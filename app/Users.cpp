#include "Users.h"

#include "DataModule.h"
#include "Passwords.h"
#include "Query.h"

namespace kestrum::users {

namespace {
bool matches(const QString& stored, const QString& password)
{
    if (passwords::isHash(stored))
        return passwords::verify(stored, password);
    return stored == password;  // a row from before the hashes
}

// Opens the rows of `name` in any case on q.
void openByName(Query* q, const QString& name)
{
    q->setStatement("Select * From Pass where Upper(UserName_Pass) = Upper(?) ", {name});
    q->Open();
}

void updateRow(const User& self, const QString& newName, const QString& newStored)
{
    Query* q = DM->QPass2;
    q->setStatement(" Update Pass Set UserName_Pass = ?,\n"
                    " Password_Pass = ?\n"
                    " where UserName_Pass = ? And Password_Pass = ?",
                    {newName, newStored, self.name, self.stored});
    q->ExecSQL();
}
}  // namespace

std::optional<User> find(const QString& name, const QString& password)
{
    Query* q = DM->QPass1;
    openByName(q, name);
    for (q->First(); !q->Eof(); q->Next()) {
        User u{q->FieldByName("UserName_Pass").AsString(),
               q->FieldByName("Password_Pass").AsString()};
        if (matches(u.stored, password))
            return u;
    }
    return std::nullopt;
}

std::optional<QString> login(const QString& name, const QString& password)
{
    std::optional<User> u = find(name, password);
    if (!u)
        return std::nullopt;
    if (!passwords::isHash(u->stored))
        updateRow(*u, u->name, passwords::hash(password));
    return u->name;
}

bool anyUser()
{
    Query* q = DM->QPass2;
    q->setStatement("Select * From Pass ");
    q->Open();
    return !q->Eof();
}

bool nameTaken(const QString& name, const User& self)
{
    Query* q = DM->QPass2;
    openByName(q, name);
    for (q->First(); !q->Eof(); q->Next()) {
        if (q->FieldByName("UserName_Pass").AsString() != self.name
            || q->FieldByName("Password_Pass").AsString() != self.stored)
            return true;
    }
    return false;
}

void change(const User& self, const QString& newName, const QString& newPassword)
{
    updateRow(self, newName, passwords::hash(newPassword));
}

void add(const QString& name, const QString& password)
{
    Query* q = DM->QPass2;
    q->setStatement(" Insert Into Pass ( UserName_Pass,Password_Pass ) Values ( ?, ? )",
                    {name, passwords::hash(password)});
    q->ExecSQL();
}

}  // namespace kestrum::users
