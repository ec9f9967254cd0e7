// Parsing the text forms of tavdemosaic's picture properties: lists of
// comma-separated numbers ("2.1,1,1.6") and black levels (one or four
// integers). Every check the library makes of the values is made here too,
// so that a refused value never reaches the streaming thread.
#ifndef TAV_GST_SETTING_TEXT_H
#define TAV_GST_SETTING_TEXT_H

#include <glib.h>
#include <stdint.h>

// Reads exactly `count` comma-separated finite numbers (spaces around them
// allowed) into values, each within [lowest, highest] (lowestOpen: above
// lowest). On failure returns FALSE and sets *problem (g_free) to what is
// wrong, e.g. "expected 3 numbers, got 2" or "\"abc\" is not a number".
gboolean tavParseNumbers(const char* text, int count, double lowest, gboolean lowestOpen, double highest,
                         float* values, gchar** problem);

// One integer (every tile position) or four (top-left, top-right,
// bottom-left, bottom-right), each 0 .. 65534.
gboolean tavParseBlackLevels(const char* text, int32_t levels[4], gchar** problem);

#endif
