#include "shared_shading_table.h"

#include <atomic>

struct TavSharedTable {
    std::atomic<int> references;
    TavShadingTable table;
    gchar* path;
};

TavSharedTable* tavSharedTableLoad(const char* path, gchar** problem) {
    TavShadingTable table = {0, nullptr, 0};
    if (!tavShadingTableLoad(path, &table, problem)) return nullptr;
    TavSharedTable* shared = new TavSharedTable;
    shared->references.store(1);
    shared->table = table;
    shared->path = g_strdup(path);
    return shared;
}

TavSharedTable* tavSharedTableRef(TavSharedTable* table) {
    if (table != nullptr) table->references.fetch_add(1, std::memory_order_relaxed);
    return table;
}

void tavSharedTableUnref(TavSharedTable* table) {
    if (table == nullptr || table->references.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    tavShadingTableClear(&table->table);
    g_free(table->path);
    delete table;
}

const TavShadingTable* tavSharedTableGet(const TavSharedTable* table) { return &table->table; }

const char* tavSharedTablePath(const TavSharedTable* table) { return table->path; }
