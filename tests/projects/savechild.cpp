// Saves a project over and over, alternating two records, until it is killed. With "--pair" each
// save writes the record with its listing extras, as the program saves a listing.
#include "flyer/listingextras.h"
#include "saverecords.h"

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[])
{
    const bool pair = argc == 3 && std::strcmp(argv[2], "--pair") == 0;
    if (argc != 2 && !pair)
        return 2;
    CFlyerData records[2] = {SaveKillRecord(0), SaveKillRecord(1)};
    const CListingExtras extras[2] = {SaveKillExtras(0), SaveKillExtras(1)};
    for (CFlyerData& record : records)
        record.SetPathName(QString::fromLocal8Bit(argv[1]));
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    for (unsigned i = 1;; ++i) {
        const FlyerFileStatus status =
            pair ? SaveProjectPair(records[i % 2], &extras[i % 2]) : records[i % 2].Save();
        if (!status.IsOk())
            return 1;
        std::fputs("saved\n", stdout);
        std::fflush(stdout);
    }
}
