#include "picture_properties.h"

#include <string.h>

#include <utility>

#include "setting_text.h"

namespace {

enum PictureProperty {
    BLACK_LEVEL,
    WHITE_BALANCE,
    AUTO_WHITE_BALANCE,
    COLOR_MATRIX,
    CURVE,
    GAMMA,
    SHADING_TABLE,
    POST_STATS,
};

const char* const kDefaultBlackLevel = "0";
const char* const kDefaultWhiteBalance = "1,1,1";
const char* const kDefaultColorMatrix = "1,0,0,0,1,0,0,0,1";
const double kDefaultGamma = 2.2;  // as tavPictureSettingsInit

GType curveType() {
    static GType type = 0;
    if (g_once_init_enter(&type)) {
        static const GEnumValue values[] = {
            {TAV_CURVE_LINEAR, "Linear", "linear"},
            {TAV_CURVE_SRGB, "sRGB transfer function", "srgb"},
            {TAV_CURVE_GAMMA, "Power law, out = in^(1/gamma)", "gamma"},
            {0, nullptr, nullptr},
        };
        g_once_init_leave(&type, g_enum_register_static("GstTavDemosaicCurve", values));
    }
    return type;
}

class SettingsLock {
public:
    explicit SettingsLock(GstTavDemosaic* self) : self_(self) { pthread_mutex_lock(&self_->settingsLock); }
    ~SettingsLock() { pthread_mutex_unlock(&self_->settingsLock); }
    SettingsLock(const SettingsLock&) = delete;
    SettingsLock& operator=(const SettingsLock&) = delete;

private:
    GstTavDemosaic* self_;
};

// Posts the refusal of a value as a warning on the bus (with the settings
// lock released: a bus handler may read properties), or as a g_warning
// where there is no bus to post to.
void refuse(GstTavDemosaic* self, const char* property, const char* value, const char* problem,
            const char* kept) {
    gchar* text = g_strdup_printf("%s \"%s\" refused: %s; it stays \"%s\"", property,
                                  value != nullptr ? value : "(null)", problem, kept != nullptr ? kept : "");
    GST_WARNING_OBJECT(self, "%s", text);
    GError* error = g_error_new_literal(GST_LIBRARY_ERROR, GST_LIBRARY_ERROR_SETTINGS, text);
    GstMessage* message = gst_message_new_warning(GST_OBJECT(self), error, nullptr);
    if (!gst_element_post_message(GST_ELEMENT(self), message)) g_warning("%s: %s", GST_OBJECT_NAME(self), text);
    g_error_free(error);
    g_free(text);
}

// Why black levels do not fit the negotiated frame, or NULL. Under the lock.
gchar* blackLevelProblem(const GstTavDemosaic* self, const int32_t levels[4]) {
    if (!self->negotiated) return nullptr;
    for (int i = 0; i < (self->negotiatedMono ? 1 : 4); ++i) {
        if (uint32_t(levels[i] >> self->negotiatedPreShift) >= self->negotiatedWhite) {
            return g_strdup_printf("%d is at or above the white point %u of the stream's samples", levels[i],
                                   self->negotiatedWhite << self->negotiatedPreShift);
        }
    }
    return nullptr;
}

// Why a table does not fit frames of width x height, or NULL.
gchar* tableProblem(const TavSharedTable* table, gint width, gint height) {
    if (table == nullptr) return nullptr;
    const TavShadingTable* words = tavSharedTableGet(table);
    if (tavShadingTableWidth(words) == width && tavShadingTableHeight(words) == height) return nullptr;
    return g_strdup_printf("the table is for %dx%d frames, the stream is %dx%d", tavShadingTableWidth(words),
                           tavShadingTableHeight(words), width, height);
}

void setBlackLevel(GstTavDemosaic* self, const char* text) {
    int32_t levels[4];
    gchar* problem = nullptr;
    gchar* kept = nullptr;
    const gboolean parsed = tavParseBlackLevels(text, levels, &problem);
    {
        SettingsLock lock(self);
        if (parsed) problem = blackLevelProblem(self, levels);
        if (problem == nullptr) {
            memcpy(self->settings.blackLevel, levels, sizeof levels);
            g_free(self->blackLevelText);
            self->blackLevelText = g_strdup(text);
            ++self->settingsGeneration;
        } else {
            kept = g_strdup(self->blackLevelText);
        }
    }
    if (problem != nullptr) refuse(self, "black-level", text, problem, kept);
    g_free(problem);
    g_free(kept);
}

// white-balance and color-matrix: count numbers in [lowest, highest].
void setNumbers(GstTavDemosaic* self, const char* property, const char* text, int count, double lowest,
                gboolean lowestOpen, double highest, float* target, gchar** targetText) {
    float values[9];
    gchar* problem = nullptr;
    gchar* kept = nullptr;
    const gboolean parsed = tavParseNumbers(text, count, lowest, lowestOpen, highest, values, &problem);
    {
        SettingsLock lock(self);
        if (parsed) {
            memcpy(target, values, sizeof(float) * size_t(count));
            g_free(*targetText);
            *targetText = g_strdup(text);
            ++self->settingsGeneration;
        } else {
            kept = g_strdup(*targetText);
        }
    }
    if (!parsed) refuse(self, property, text, problem, kept);
    g_free(problem);
    g_free(kept);
}

void setShadingTable(GstTavDemosaic* self, const char* path) {
    gchar* problem = nullptr;
    TavSharedTable* table = nullptr;
    // Read outside the lock: the streaming thread need not wait for the file.
    if (path != nullptr && path[0] != '\0') table = tavSharedTableLoad(path, &problem);
    gchar* kept = nullptr;
    if (problem == nullptr) {
        SettingsLock lock(self);
        if (self->negotiated) problem = tableProblem(table, self->negotiatedWidth, self->negotiatedHeight);
        if (problem == nullptr) {
            std::swap(self->settings.table, table);
            ++self->settingsGeneration;
        } else {
            kept = g_strdup(self->settings.table != nullptr ? tavSharedTablePath(self->settings.table) : "");
        }
    } else {
        SettingsLock lock(self);
        kept = g_strdup(self->settings.table != nullptr ? tavSharedTablePath(self->settings.table) : "");
    }
    tavSharedTableUnref(table);  // the old table, or the refused one
    if (problem != nullptr) refuse(self, "shading-table", path, problem, kept);
    g_free(problem);
    g_free(kept);
}

// The property's range keeps out everything else, NaN and infinities too
// (GObject refuses them with its own warning, and the value stays).
void setGamma(GstTavDemosaic* self, double gamma) {
    SettingsLock lock(self);
    self->settings.gamma = gamma;
    ++self->settingsGeneration;
}

}  // namespace

void tavPictureInstallProperties(GObjectClass* klass, guint firstId) {
    const GParamFlags flags = GParamFlags(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS | GST_PARAM_MUTABLE_PLAYING);
    g_object_class_install_property(
        klass, firstId + BLACK_LEVEL,
        g_param_spec_string("black-level", "Black level",
                            "Black level in input sample units: one integer, or four for the 2x2 tile positions "
                            "top-left,top-right,bottom-left,bottom-right",
                            kDefaultBlackLevel, flags));
    g_object_class_install_property(
        klass, firstId + WHITE_BALANCE,
        g_param_spec_string("white-balance", "White balance", "Gains \"R,G,B\", each in (0, 64]",
                            kDefaultWhiteBalance, flags));
    g_object_class_install_property(
        klass, firstId + AUTO_WHITE_BALANCE,
        g_param_spec_boolean("auto-white-balance", "Automatic white balance",
                             "Grey-world gains from the previous frames, smoothed over frames "
                             "(white-balance is not used while on)",
                             FALSE, flags));
    g_object_class_install_property(
        klass, firstId + COLOR_MATRIX,
        g_param_spec_string("color-matrix", "Colour matrix",
                            "Nine numbers, row-major, each in [-16, 16]: output RGB = M x camera RGB",
                            kDefaultColorMatrix, flags));
    g_object_class_install_property(
        klass, firstId + CURVE,
        g_param_spec_enum("curve", "Curve", "Tone curve applied last", curveType(), TAV_CURVE_LINEAR, flags));
    g_object_class_install_property(
        klass, firstId + GAMMA,
        g_param_spec_double("gamma", "Gamma", "Exponent of curve=gamma: out = in^(1/gamma)", 0.1, 10.0,
                            kDefaultGamma, flags));
    g_object_class_install_property(
        klass, firstId + SHADING_TABLE,
        g_param_spec_string("shading-table", "Shading table",
                            "Shading table file as tavshading reads it, for the stream's frame size (empty: none)",
                            nullptr, flags));
    g_object_class_install_property(
        klass, firstId + POST_STATS,
        g_param_spec_boolean("post-stats", "Post statistics",
                             "Post each frame's statistics as a \"tav-frame-stats\" element message", FALSE, flags));
    gst_type_mark_as_plugin_api(curveType(), GstPluginAPIFlags(0));
}

void tavPictureSetProperty(GstTavDemosaic* self, guint index, const GValue* value) {
    switch (index) {
        case BLACK_LEVEL: {
            const char* text = g_value_get_string(value);
            setBlackLevel(self, text != nullptr ? text : kDefaultBlackLevel);
            break;
        }
        case WHITE_BALANCE: {
            const char* text = g_value_get_string(value);
            setNumbers(self, "white-balance", text != nullptr ? text : kDefaultWhiteBalance, 3, 0.0, TRUE, 64.0,
                       self->settings.whiteBalance, &self->whiteBalanceText);
            break;
        }
        case COLOR_MATRIX: {
            const char* text = g_value_get_string(value);
            setNumbers(self, "color-matrix", text != nullptr ? text : kDefaultColorMatrix, 9, -16.0, FALSE, 16.0,
                       self->settings.colorMatrix, &self->colorMatrixText);
            break;
        }
        case SHADING_TABLE: setShadingTable(self, g_value_get_string(value)); break;
        case GAMMA: setGamma(self, g_value_get_double(value)); break;
        case AUTO_WHITE_BALANCE:
        case CURVE:
        case POST_STATS: {
            SettingsLock lock(self);
            if (index == AUTO_WHITE_BALANCE) self->settings.autoWhiteBalance = g_value_get_boolean(value);
            if (index == CURVE) self->settings.curve = g_value_get_enum(value);
            if (index == POST_STATS) self->settings.postStats = g_value_get_boolean(value);
            ++self->settingsGeneration;
            break;
        }
        default: break;
    }
}

void tavPictureGetProperty(GstTavDemosaic* self, guint index, GValue* value) {
    SettingsLock lock(self);
    switch (index) {
        case BLACK_LEVEL: g_value_set_string(value, self->blackLevelText); break;
        case WHITE_BALANCE: g_value_set_string(value, self->whiteBalanceText); break;
        case AUTO_WHITE_BALANCE: g_value_set_boolean(value, self->settings.autoWhiteBalance); break;
        case COLOR_MATRIX: g_value_set_string(value, self->colorMatrixText); break;
        case CURVE: g_value_set_enum(value, self->settings.curve); break;
        case GAMMA: g_value_set_double(value, self->settings.gamma); break;
        case SHADING_TABLE:
            g_value_set_string(value, self->settings.table != nullptr ? tavSharedTablePath(self->settings.table)
                                                                       : nullptr);
            break;
        case POST_STATS: g_value_set_boolean(value, self->settings.postStats); break;
        default: break;
    }
}

void tavPicturePropertiesInit(GstTavDemosaic* self) {
    pthread_mutex_init(&self->settingsLock, nullptr);
    tavPictureSettingsInit(&self->settings);
    self->blackLevelText = g_strdup(kDefaultBlackLevel);
    self->whiteBalanceText = g_strdup(kDefaultWhiteBalance);
    self->colorMatrixText = g_strdup(kDefaultColorMatrix);
    self->settingsGeneration = 1;
    self->negotiated = FALSE;
}

void tavPicturePropertiesFinalize(GstTavDemosaic* self) {
    tavPictureSettingsClear(&self->settings);
    g_clear_pointer(&self->blackLevelText, g_free);
    g_clear_pointer(&self->whiteBalanceText, g_free);
    g_clear_pointer(&self->colorMatrixText, g_free);
    pthread_mutex_destroy(&self->settingsLock);
}

gboolean tavPictureNegotiate(GstTavDemosaic* self, const TavInputFormat* format, gint width, gint height,
                             gchar** problem) {
    const int32_t depth = format->bits - format->preShift;
    SettingsLock lock(self);
    self->negotiated = TRUE;
    self->negotiatedWidth = width;
    self->negotiatedHeight = height;
    self->negotiatedMono = g_str_equal(format->mediaType, "video/x-raw");
    self->negotiatedPreShift = format->preShift;
    self->negotiatedWhite = (1u << depth) - 1;
    *problem = nullptr;
    if (gchar* black = blackLevelProblem(self, self->settings.blackLevel)) {
        *problem = g_strdup_printf("black-level \"%s\" does not fit %dx%d %s frames: %s", self->blackLevelText, width,
                                   height, format->name, black);
        g_free(black);
    } else if (gchar* table = tableProblem(self->settings.table, width, height)) {
        *problem = g_strdup_printf("shading-table %s does not fit %dx%d %s frames: %s",
                                   tavSharedTablePath(self->settings.table), width, height, format->name, table);
        g_free(table);
    }
    if (*problem != nullptr) self->negotiated = FALSE;
    return *problem == nullptr;
}

void tavPictureForgetFrame(GstTavDemosaic* self) {
    SettingsLock lock(self);
    self->negotiated = FALSE;
}
