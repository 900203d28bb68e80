// Saves a project over and over, alternating two records, until it is killed.
#include "saverecords.h"

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc != 2)
        return 2;
    CFlyerData records[2] = {SaveKillRecord(0), SaveKillRecord(1)};
    for (CFlyerData& record : records)
        record.SetPathName(QString::fromLocal8Bit(argv[1]));
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    for (unsigned i = 1;; ++i) {
        if (!records[i % 2].Save().IsOk())
            return 1;
        std::fputs("saved\n", stdout);
        std::fflush(stdout);
    }
}
