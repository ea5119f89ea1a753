// Writes the shipped games.ini and bets.ini: wl_generate_shipped_data <folder>, normally the source's data/.
#include "ShippedData.h"

#include "support/Exception.h"

#include <QString>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: wl_generate_shipped_data <folder>\n", stderr);
        return 2;
    }
    try {
        wl::WriteShippedData(QString::fromLocal8Bit(argv[1]));
    } catch (const wl::Exception& e) {
        std::fputs(e.what(), stderr);
        std::fputs("\n", stderr);
        return 1;
    }
    return 0;
}
