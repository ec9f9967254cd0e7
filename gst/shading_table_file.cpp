#include "shading_table_file.h"

#include <string.h>

#include "tav_lsc.h"

namespace {

const char kMagic[8] = {'T', 'A', 'V', 'S', 'H', 'A', 'D', 'E'};
const gsize kHeaderBytes = 16;

uint32_t readLE32(const guint8* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Checks the header and table words; returns NULL or the problem.
gchar* checkContents(const guint8* bytes, gsize length) {
    if (length < kHeaderBytes + 4 * TAV_LSC_TABLE_HEADER_WORDS) {
        return g_strdup_printf("file is too short for a shading table (%" G_GSIZE_FORMAT " bytes)", length);
    }
    if (memcmp(bytes, kMagic, sizeof kMagic) != 0) return g_strdup("not a shading table (no TAVSHADE magic)");
    const uint32_t version = readLE32(bytes + 8);
    if (version != 1) return g_strdup_printf("unsupported shading table version %u", version);
    const uint32_t bits = readLE32(bytes + 12);
    if (bits != 8 && bits != 10 && bits != 12) {
        return g_strdup_printf("sample bits %u in the header (expected 8, 10 or 12)", bits);
    }
    if ((length - kHeaderBytes) % 4 != 0) return g_strdup("table length is not a whole number of words");
    const uint32_t mode = readLE32(bytes + 16);
    const uint32_t height = readLE32(bytes + 20);
    const uint32_t width = readLE32(bytes + 24);
    if (mode != TAV_LSC_MODE_2X2 && mode != TAV_LSC_MODE_PIXEL) {
        return g_strdup_printf("unknown table mode %u", mode);
    }
    if (height == 0 || width == 0 || height > G_MAXINT32 || width > G_MAXINT32) {
        return g_strdup_printf("table size %ux%u is not a frame size", width, height);
    }
    if (mode == TAV_LSC_MODE_2X2 && (height % 2 != 0 || width % 2 != 0)) {
        return g_strdup_printf("per-cell table with odd size %ux%u", width, height);
    }
    const uint64_t parameters =
        mode == TAV_LSC_MODE_PIXEL ? uint64_t(height) * width : uint64_t(height / 2) * (width / 2);
    const uint64_t words = (length - kHeaderBytes) / 4;
    if (words != TAV_LSC_TABLE_HEADER_WORDS + parameters) {
        return g_strdup_printf("%" G_GUINT64_FORMAT " parameter words, expected %" G_GUINT64_FORMAT
                               " for a %ux%u %s table",
                               words - TAV_LSC_TABLE_HEADER_WORDS, parameters, width, height,
                               mode == TAV_LSC_MODE_PIXEL ? "per-pixel" : "per-cell");
    }
    return nullptr;
}

}  // namespace

gboolean tavShadingTableLoad(const char* path, TavShadingTable* table, gchar** problem) {
    tavShadingTableClear(table);
    gchar* contents = nullptr;
    gsize length = 0;
    GError* error = nullptr;
    if (!g_file_get_contents(path, &contents, &length, &error)) {
        *problem = g_strdup(error->message);
        g_error_free(error);
        return FALSE;
    }
    const guint8* bytes = reinterpret_cast<const guint8*>(contents);
    *problem = checkContents(bytes, length);
    if (*problem != nullptr) {
        g_free(contents);
        return FALSE;
    }
    table->bits = readLE32(bytes + 12);
    table->wordCount = (length - kHeaderBytes) / 4;
    table->words = g_new(uint32_t, table->wordCount);
    for (gsize i = 0; i < table->wordCount; ++i) table->words[i] = readLE32(bytes + kHeaderBytes + 4 * i);
    g_free(contents);
    return TRUE;
}

void tavShadingTableClear(TavShadingTable* table) {
    g_free(table->words);
    table->words = nullptr;
    table->wordCount = 0;
    table->bits = 0;
}
