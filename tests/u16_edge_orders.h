// The four 16-bit edge-directed entry points with their Bayer order and the
// smallest height each accepts, shared by the 16-bit edge tests.
#ifndef TAV_TEST_U16_EDGE_ORDERS_H
#define TAV_TEST_U16_EDGE_ORDERS_H

#include "ref_u16.h"
#include "tavcore.h"

namespace {

typedef uint32_t (*EdgeEntry)(const uint16_t*, int32_t, int32_t, uint16_t*);

struct OrderCase {
    const char* name;
    refu16::Order order;
    EdgeEntry entry;
    int minHeight;
};

const OrderCase kOrders[] = {
    {"RG", refu16::kRG, demosaicingEdgeRGGBU16, 6},
    {"GR", refu16::kGR, demosaicingEdgeGRBGU16, 6},
    {"GB", refu16::kGB, demosaicingEdgeGBRGU16, 7},
    {"BG", refu16::kBG, demosaicingEdgeBGGRU16, 7},
};

}  // namespace

#endif
