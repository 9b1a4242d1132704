// Any bytes as an import journal: reading never crashes, every record it yields is well formed,
// and a record written back as a journal line reads back as the same record.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "import/import_journal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<lv::JournalRecord> records;
    lv::parseJournalText(text, &records);
    for (const lv::JournalRecord& r : records) {
        if (r.key.find('\r') != std::string::npos || (!r.hash.empty() && r.hash.size() != 64)) std::abort();
        if (r.destPath.find('\t') != std::string::npos || r.destPath.find('\r') != std::string::npos) std::abort();
        // key = card path | size | 16 hex digits
        size_t bar = r.key.rfind('|');
        if (bar == std::string::npos || r.key.size() - bar - 1 != 16) std::abort();
        size_t cardEnd = r.key.rfind('|', bar - 1);
        std::string card = r.key.substr(0, cardEnd);
        std::string line = "ok2\t" + r.key.substr(cardEnd + 1, bar - cardEnd - 1) + "\t" + r.key.substr(bar + 1) + "\t" +
                           r.hash + "\t" + r.destPath + "\t" + card + "\r\n";
        std::vector<lv::JournalRecord> again;
        lv::parseJournalText(line, &again);
        if (again.size() != 1 || again[0].key != r.key || again[0].destPath != r.destPath || again[0].hash != r.hash)
            std::abort();
    }
    lv::JournalIndex index{records};
    lv::sortJournalIndex(&index);
    if (!records.empty()) {
        lv::JournalLookup l = lv::lookupJournal(index, records.back().key);
        if (!l.found) std::abort();
    }
    return 0;
}
