#include "shading_table_file.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <glib/gstdio.h>

#include "tav_lsc.h"

namespace {

const char kMagic[8] = {'T', 'A', 'V', 'S', 'H', 'A', 'D', 'E'};
const gsize kHeaderBytes = 16;
const gsize kLeadBytes = kHeaderBytes + 4 * TAV_LSC_TABLE_HEADER_WORDS;  // file and table headers

uint32_t readLE32(const guint8* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Checks the file and table headers (the first kLeadBytes bytes) against
// the file's length; returns NULL or the problem.
gchar* checkHeaders(const guint8* bytes, guint64 length) {
    if (length < kLeadBytes) {
        return g_strdup_printf("file is too short for a shading table (%" G_GUINT64_FORMAT " bytes)", length);
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

// Reads exactly `count` bytes; false on an error or an early end.
bool readFully(int fd, guint8* bytes, gsize count) {
    while (count > 0) {
        const ssize_t n = read(fd, bytes, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        count -= gsize(n);
    }
    return true;
}

}  // namespace

gboolean tavShadingTableLoad(const char* path, TavShadingTable* table, gchar** problem) {
    tavShadingTableClear(table);
    *problem = nullptr;
    // Only a regular file: a FIFO would block the element's start, a device
    // could be endless. Checked before opening (opening a FIFO blocks) and
    // again on the open descriptor.
    GStatBuf status;
    if (g_stat(path, &status) != 0) {
        *problem = g_strdup(g_strerror(errno));
        return FALSE;
    }
    if (!S_ISREG(status.st_mode)) {
        *problem = g_strdup("not a regular file");
        return FALSE;
    }
    const int fd = g_open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC, 0);
    if (fd < 0) {
        *problem = g_strdup(g_strerror(errno));
        return FALSE;
    }
    struct stat opened;
    guint8 lead[kLeadBytes] = {};
    guint64 length = 0;
    if (fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        *problem = g_strdup("not a regular file");
    } else {
        // The header decides how much is read: nothing beyond the length it
        // promises, which must be the file's length.
        length = guint64(opened.st_size);
        if (!readFully(fd, lead, length < kLeadBytes ? gsize(length) : kLeadBytes)) {
            *problem = g_strdup("cannot read the file");
        } else {
            *problem = checkHeaders(lead, length);
        }
    }
    if (*problem == nullptr) {
        const gsize count = gsize((length - kHeaderBytes) / 4);
        table->words = static_cast<uint32_t*>(g_try_malloc(count * sizeof(uint32_t)));
        if (table->words == nullptr) {
            *problem = g_strdup_printf("out of memory for %" G_GSIZE_FORMAT " table words", count);
        } else if (!readFully(fd, reinterpret_cast<guint8*>(table->words + TAV_LSC_TABLE_HEADER_WORDS),
                              (count - TAV_LSC_TABLE_HEADER_WORDS) * 4)) {
            *problem = g_strdup("the file ended before the table words its header promises");
        } else {
            for (gsize i = 0; i < TAV_LSC_TABLE_HEADER_WORDS; ++i) table->words[i] = readLE32(lead + kHeaderBytes + 4 * i);
            for (gsize i = TAV_LSC_TABLE_HEADER_WORDS; i < count; ++i) {
                table->words[i] = readLE32(reinterpret_cast<const guint8*>(table->words + i));
            }
            table->wordCount = count;
            table->bits = readLE32(lead + 12);
        }
    }
    close(fd);
    if (*problem != nullptr) {
        tavShadingTableClear(table);
        return FALSE;
    }
    return TRUE;
}

void tavShadingTableClear(TavShadingTable* table) {
    g_free(table->words);
    table->words = nullptr;
    table->wordCount = 0;
    table->bits = 0;
}
