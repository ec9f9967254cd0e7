#include "setting_text.h"

#include <errno.h>
#include <math.h>

namespace {

// The comma-separated fields of text, each stripped of spaces (g_strfreev).
gchar** splitFields(const char* text, int* count) {
    gchar** fields = g_strsplit(text != nullptr ? text : "", ",", -1);
    *count = 0;
    for (gchar** f = fields; *f != nullptr; ++f, ++*count) g_strstrip(*f);
    // "" is no field at all, not one empty one.
    if (*count == 1 && fields[0][0] == '\0') *count = 0;
    return fields;
}

gboolean wrongCount(int got, const char* expected, gchar** problem) {
    *problem = g_strdup_printf("expected %s, got %d", expected, got);
    return FALSE;
}

}  // namespace

gboolean tavParseNumbers(const char* text, int count, double lowest, gboolean lowestOpen, double highest,
                         float* values, gchar** problem) {
    *problem = nullptr;
    int fieldCount = 0;
    gchar** fields = splitFields(text, &fieldCount);
    if (fieldCount != count) {
        gchar* expected = g_strdup_printf("%d numbers", count);
        wrongCount(fieldCount, expected, problem);
        g_free(expected);
        g_strfreev(fields);
        return FALSE;
    }
    gboolean ok = TRUE;
    for (int i = 0; ok && i < count; ++i) {
        const char* field = fields[i];
        gchar* end = nullptr;
        errno = 0;
        const double parsed = field[0] != '\0' ? g_ascii_strtod(field, &end) : 0.0;
        // The library takes floats: judge the value it would see.
        const float value = float(parsed);
        if (field[0] == '\0' || end == field || *end != '\0') {
            *problem = g_strdup_printf("\"%s\" is not a number", field);
            ok = FALSE;
        } else if (!isfinite(parsed) || !isfinite(value)) {
            *problem = g_strdup_printf("%s is not a finite number", field);
            ok = FALSE;
        } else if (value > highest || value < lowest || (lowestOpen && !(value > lowest))) {
            *problem = g_strdup_printf("%s is outside %s%g, %g]", field, lowestOpen ? "(" : "[", lowest, highest);
            ok = FALSE;
        } else {
            values[i] = value;
        }
    }
    g_strfreev(fields);
    return ok;
}

gboolean tavParseBlackLevels(const char* text, int32_t levels[4], gchar** problem) {
    *problem = nullptr;
    int fieldCount = 0;
    gchar** fields = splitFields(text, &fieldCount);
    if (fieldCount != 1 && fieldCount != 4) {
        wrongCount(fieldCount, "one or four integers", problem);
        g_strfreev(fields);
        return FALSE;
    }
    int32_t parsed[4] = {0, 0, 0, 0};
    gboolean ok = TRUE;
    for (int i = 0; ok && i < fieldCount; ++i) {
        const char* field = fields[i];
        gchar* end = nullptr;
        errno = 0;
        const gint64 value = field[0] != '\0' ? g_ascii_strtoll(field, &end, 10) : 0;
        if (field[0] == '\0' || end == field || *end != '\0') {
            *problem = g_strdup_printf("\"%s\" is not an integer", field);
            ok = FALSE;
        } else if (errno == ERANGE || value < 0 || value > 65534) {
            *problem = g_strdup_printf("%s is outside 0 .. 65534", field);
            ok = FALSE;
        } else {
            parsed[i] = int32_t(value);
        }
    }
    g_strfreev(fields);
    if (!ok) return FALSE;
    for (int i = 0; i < 4; ++i) levels[i] = parsed[fieldCount == 1 ? 0 : i];
    return TRUE;
}
