// Makes a connection component of an installed libvantrel without opening it: the headers
// compile outside the tree and the library links and loads without Qt.
#include <vantrel/vantrel.h>

#include <cstdio>

int main()
{
    vantrel::TODBCDatabase database;
    if (database.Connected()) {
        std::fputs("a new connection component claims to be connected\n", stderr);
        return 1;
    }
    std::printf("core consumer ok\n");
    return 0;
}
