// Shows an installed grid over an empty data source: the headers compile outside the tree, the
// library links and its Qt meta-objects are there.
#include <vantrel/vantrel_grid.h>

#include <QApplication>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    vantrel::TDataSource source(nullptr);
    vantrel::TExtDBGrid grid;
    grid.SetDataSource(&source);
    grid.show();
    app.processEvents();
    const char* className = grid.metaObject()->className();
    if (grid.DataSource() != &source || std::strstr(className, "TExtDBGrid") == nullptr) {
        std::fprintf(stderr, "unexpected grid: %s\n", className);
        return 1;
    }
    std::printf("grid consumer ok: %s\n", className);
    return 0;
}
