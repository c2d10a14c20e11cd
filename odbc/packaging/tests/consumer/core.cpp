// A program built against an installed Vantrel with the one umbrella header: parameters, a blob,
// the editable dataset, the pool from a second thread, the tools and an entity, on the SQLite
// database file named on the command line.
#include <vantrel/vantrel.h>

#include <cstdio>
#include <thread>

using namespace vantrel;

namespace {

int fail(const char* what) {
    std::fprintf(stderr, "core consumer: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2)
        return fail("usage: core_consumer DATABASE-FILE");
    const String conn = String("Driver={SQLite3};Database=") + argv[1] + ";Timeout=5000;";
    try {
        TODBCDatabase db(nullptr);
        db.SetConnectStr(conn);
        db.Open();
        DataBase = &db;
        ExecuteQuery("DROP TABLE IF EXISTS consumer_part");
        ExecuteQuery("CREATE TABLE consumer_part (id INTEGER PRIMARY KEY, name VARCHAR(20), image BLOB)");

        // Parameters and a blob.
        const TBytes image = {0, 1, 2, 255, 0, 7};
        TODBCQuery insert(nullptr);
        insert.SetODBCDatabase(&db);
        insert.SetSQLText("INSERT INTO consumer_part (id, name, image) VALUES (:id, :name, :image)");
        insert.ParamByName("id")->SetAsInteger(1);
        insert.ParamByName("name")->SetAsString("Brake pad");
        insert.ParamByName("image")->SetBlobData(image.data(), image.size());
        insert.ExecSQL();
        auto read = OpenQueryLong("SELECT image FROM consumer_part WHERE id = :id", {1});
        std::unique_ptr<TStream> blob = read->CreateBlobStream(read->FieldByName("image"), bmRead);
        TBytes back(static_cast<size_t>(blob->Size()));
        blob->ReadBuffer(back.data(), static_cast<int64_t>(back.size()));
        if (back != image)
            return fail("blob differs");
        read.reset();

        // The editable dataset writes through its handler.
        TODBCExtQuery edit(nullptr);
        edit.SetODBCDatabase(&db);
        edit.SetSQLText("SELECT id, name FROM consumer_part");
        edit.OnUpdateRec = [](TDataSet* ds, TUpdateKind, TUpdateAction&) {
            ExecQueryLong("UPDATE consumer_part SET name = :name WHERE id = :id",
                          {ds->FieldByName("name")->AsString(), ds->FieldByName("id")->AsInteger()});
        };
        edit.Open();
        edit.Edit();
        edit.FieldByName("name")->SetAsString("Brake disc");
        edit.Post();
        edit.Close();

        // The pool, used from another thread.
        TMultiDataBases pool;
        pool.ConnectStr = conn;
        pool.ConnectStyle = csDriverConnect;
        pool.Open();
        MultiDataBases = &pool;
        int pooled = 0;
        std::thread worker([&pooled] {
            ExecMQueryLong("INSERT INTO consumer_part (id, name) VALUES (:id, :name)", {2, "Oil filter"});
            pooled = (*OpenMQuery("SELECT COUNT(*) FROM consumer_part")->Fields())[0]->AsInteger();
        });
        worker.join();
        MultiDataBases = nullptr;
        pool.Close();
        if (pooled != 2)
            return fail("pooled query");

        // An entity over the same table.
        TUserEntity entity;
        entity.SetfactTable("consumer_part");
        entity.SetviewTable("consumer_part");
        entity.SetviewEntity("Parts");
        entity.CreateField("id", "", "Number", 6, true, true, true, true, ftInteger, cnstETPK);
        entity.CreateField("name", "", "Name", 20, true, true, true, false, ftString, cnstETField);
        entity.SetFieldValue("id", 3);
        entity.SetFieldValue("name", "Spark plug");
        entity.Add();
        entity.EntityOpen();
        entity.SetFieldFind("name", "oil"); // searched from the row after the current one
        if (!entity.Find() || entity.Query()->FieldByName("name")->AsString() != "Oil filter")
            return fail("entity find");
        entity.execClose();

        if (ConverString(ConverString("a'b\n", true), false) != "a'b\n")
            return fail("ConverString");
        DataBase = nullptr;
        std::printf("core consumer ok\n");
        return 0;
    } catch (const Exception& e) {
        DataBase = nullptr;
        MultiDataBases = nullptr;
        std::fprintf(stderr, "core consumer: %s\n", e.Message().c_str());
    }
    return 1;
}
