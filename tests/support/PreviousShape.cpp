#include "TestDatabase.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testsupport {

void createPreviousShape(const TestDatabase& db, const std::string& shape) {
    const std::string path = std::string(KESTRUM_SHAPES_DIR) + "/" + shape + "-" +
                             (db.engine() == Engine::SQLite ? "sqlite" : "postgresql") + ".sql";
    std::ifstream in(path);
    if (!in) throw std::runtime_error("no schema shape file " + path);
    std::stringstream all;
    all << in.rdbuf();
    const std::string text = all.str();
    // One statement per ";\n"; none of the statements holds that sequence itself.
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find(";\n", at);
        if (end == std::string::npos) end = text.size();
        const std::string sql = text.substr(at, end - at);
        if (sql.find_first_not_of(" \n") != std::string::npos) db.exec(sql);
        at = end + 2;
    }
    db.exec("INSERT INTO Reg (Id_R, Name_R) VALUES (1, '')");
}

}  // namespace testsupport
