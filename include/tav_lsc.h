/* Lens shading correction: parameter tables, block records and correction. */
#ifndef TAV_LSC_H
#define TAV_LSC_H

#include "tav_types.h"

#endif /* TAV_LSC_H */
