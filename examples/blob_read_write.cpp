// Writes binary data and a long text through parameters, then reads them back through blob
// streams of the dataset's fields and checks every byte.
//
//   blob_read_write "Driver={SQLite3};Database=/tmp/shop.db;"
// (the table uses SQLite's BLOB type; PostgreSQL calls it BYTEA)
#include "ExampleMain.h"

#include <iostream>

using namespace vantrel;

int main(int argc, char** argv) {
    return example::run(argc, argv, [&](TODBCDatabase& db) {
        example::exec(db, "DROP TABLE IF EXISTS example_photo");
        example::exec(db, "CREATE TABLE example_photo (id INTEGER PRIMARY KEY, image BLOB, note TEXT)");

        // 100 000 bytes of every value 0..255, longer than any buffer of the dataset.
        TBytes image(100000);
        for (size_t i = 0; i < image.size(); ++i)
            image[i] = static_cast<uint8_t>((i * 31 + 7) & 0xFF);
        String note(20000, 'x');
        note.replace(0, 12, "Front bumper");

        TODBCQuery q(nullptr);
        q.SetODBCDatabase(&db);
        q.SetSQLText("INSERT INTO example_photo (id, image, note) VALUES (:id, :image, :note)");
        q.ParamByName("id")->SetAsInteger(1);
        q.ParamByName("image")->SetBlobData(image.data(), image.size());
        q.ParamByName("note")->SetAsMemo(note);
        q.ExecSQL();

        q.SetSQLText("SELECT id, image, note FROM example_photo WHERE id = :id");
        q.ParamByName("id")->SetAsInteger(1);
        q.Open();
        // The stream holds the whole value of the current row; the caller owns it.
        std::unique_ptr<TStream> stream = q.CreateBlobStream(q.FieldByName("image"), bmRead);
        TBytes back(static_cast<size_t>(stream->Size()));
        stream->ReadBuffer(back.data(), static_cast<int64_t>(back.size()));
        std::unique_ptr<TStream> text = q.CreateBlobStream(q.FieldByName("note"), bmRead);
        String noteBack(static_cast<size_t>(text->Size()), '\0');
        text->ReadBuffer(noteBack.data(), static_cast<int64_t>(noteBack.size()));

        const bool same = back == image && noteBack == note;
        std::cout << "image: " << back.size() << " bytes, note: " << noteBack.size() << " characters ("
                  << noteBack.substr(0, 12) << "...), " << (same ? "identical" : "DIFFERENT") << "\n";
        return same ? 0 : 1;
    });
}
