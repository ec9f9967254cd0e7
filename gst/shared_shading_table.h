// A shading table held by tavdemosaic's property and by its library
// context, which reads the words at every frame: a setter thread may
// replace the property's table while the streaming thread still converts
// with the old one, so each holder keeps a reference and the last one
// frees it.
#ifndef TAV_GST_SHARED_SHADING_TABLE_H
#define TAV_GST_SHARED_SHADING_TABLE_H

#include <glib.h>

#include "shading_table_file.h"

struct TavSharedTable;

// Loads a table file (see shading_table_file.h) with one reference; NULL
// with *problem set (g_free) when it cannot be used.
TavSharedTable* tavSharedTableLoad(const char* path, gchar** problem);
TavSharedTable* tavSharedTableRef(TavSharedTable* table);  // NULL passes through
void tavSharedTableUnref(TavSharedTable* table);           // NULL is ignored

const TavShadingTable* tavSharedTableGet(const TavSharedTable* table);
const char* tavSharedTablePath(const TavSharedTable* table);

#endif
