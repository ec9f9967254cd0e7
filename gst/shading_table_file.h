// Shading table files as `tavraw calibrate` writes them: a 16-byte header
// (magic "TAVSHADE", uint32 version 1, uint32 sample bits 8/10/12) followed
// by the library's table words unchanged (mode, height, width, parameter
// words), every field little-endian.
#ifndef TAV_GST_SHADING_TABLE_FILE_H
#define TAV_GST_SHADING_TABLE_FILE_H

#include <glib.h>
#include <stdint.h>

struct TavShadingTable {
    uint32_t bits;       // sample depth the table was made for
    uint32_t* words;     // table words in native order (g_free)
    gsize wordCount;     // header words included
};

// Loads and checks a table file. On failure returns FALSE with *problem set
// to a sentence that names what is wrong (g_free); the table is left empty.
gboolean tavShadingTableLoad(const char* path, TavShadingTable* table, gchar** problem);

void tavShadingTableClear(TavShadingTable* table);

inline int32_t tavShadingTableHeight(const TavShadingTable* table) { return int32_t(table->words[1]); }
inline int32_t tavShadingTableWidth(const TavShadingTable* table) { return int32_t(table->words[2]); }

#endif
