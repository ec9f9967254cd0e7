#include "picture_options.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace tavraw {

namespace {

constexpr double kLargestGain = 64.0;
constexpr double kLargestMatrixEntry = 16.0;
constexpr double kSmallestGamma = 0.1;
constexpr double kLargestGamma = 10.0;

// Words between commas; empty words are kept, so "1,,2" has three.
std::vector<std::string> commaWords(const std::string& text) {
    std::vector<std::string> words(1);
    for (char c : text) {
        if (c == ',') {
            words.emplace_back();
        } else {
            words.back() += c;
        }
    }
    return words;
}

// Words separated by any run of commas and blanks (a matrix file's layout).
std::vector<std::string> matrixWords(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    for (char c : text) {
        if (c == ',' || c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) words.push_back(word);
    return words;
}

// A whole finite decimal number; false for text, NaN, infinities and
// values out of double's range.
bool parseNumber(const std::string& text, double& value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return *end == '\0' && errno == 0 && std::isfinite(value);
}

bool parseLevel(const std::string& text, int32_t& level) {
    if (text.empty() || text[0] == '+' || text[0] == ' ') return false;
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (*end != '\0' || errno != 0 || value < 0 || value > INT32_MAX) return false;
    level = static_cast<int32_t>(value);
    return true;
}

void parseGains(const std::string& text, float gains[3]) {
    const std::vector<std::string> words = commaWords(text);
    bool ok = words.size() == 3;
    for (size_t i = 0; ok && i < 3; ++i) {
        double gain = 0;
        ok = parseNumber(words[i], gain) && gain > 0 && gain <= kLargestGain &&
             static_cast<float>(gain) > 0.0f;
        gains[i] = static_cast<float>(gain);
    }
    if (!ok) usageError("--wb must be 'auto' or three gains R,G,B above 0 and at most 64, got '" + text + "'");
}

// Nine matrix entries from words; on failure returns why, else "".
std::string matrixProblem(const std::vector<std::string>& words, float matrix[9]) {
    if (words.size() != 9) return "expected nine numbers, found " + std::to_string(words.size());
    for (size_t i = 0; i < 9; ++i) {
        double entry = 0;
        if (!parseNumber(words[i], entry)) return "'" + words[i] + "' is not a finite number";
        if (entry < -kLargestMatrixEntry || entry > kLargestMatrixEntry) {
            return "'" + words[i] + "' is outside -16 to 16";
        }
        matrix[i] = static_cast<float>(entry);
    }
    return "";
}

bool isRegularFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void parseCurve(const std::string& text, TavPipeline& pipeline) {
    const std::string usage =
        "--curve must be linear, srgb or gamma:G with G from 0.1 to 10, got '" + text + "'";
    if (text == "linear") {
        pipeline.curve = TAV_CURVE_LINEAR;
    } else if (text == "srgb") {
        pipeline.curve = TAV_CURVE_SRGB;
    } else if (text.compare(0, 6, "gamma:") == 0) {
        double gamma = 0;
        if (!parseNumber(text.substr(6), gamma) || gamma < kSmallestGamma || gamma > kLargestGamma) {
            usageError(usage);
        }
        pipeline.curve = TAV_CURVE_GAMMA;
        pipeline.gamma = static_cast<float>(gamma);
    } else {
        usageError(usage);
    }
}

}  // namespace

void parseBlackLevels(const std::string& text, const PixelFormat& format, int32_t black[4]) {
    const int32_t white = (1 << format.bits) - 1;
    const std::vector<std::string> words = commaWords(text);
    int32_t levels[4] = {0, 0, 0, 0};
    bool ok = words.size() == 1 || words.size() == 4;
    for (size_t i = 0; ok && i < words.size(); ++i) ok = parseLevel(words[i], levels[i]);
    if (!ok) {
        usageError("--black must be one integer or four (2x2 tile order) from 0 to " + std::to_string(white - 1) +
                   ", got '" + text + "'");
    }
    if (words.size() == 1) levels[1] = levels[2] = levels[3] = levels[0];
    for (int32_t level : levels) {
        if (level >= white) {
            usageError("--black " + std::to_string(level) + " is at or above the white point " +
                       std::to_string(white) + " of " + format.name + " (at most " + std::to_string(white - 1) + ")");
        }
    }
    if (!format.order && !(levels[1] == levels[0] && levels[2] == levels[0] && levels[3] == levels[0])) {
        usageError(std::string("--black takes one level for ") + format.name + ", which has no colour sites");
    }
    for (int i = 0; i < 4; ++i) black[i] = levels[i];
}

PictureOptions parsePictureOptions(const Options& options, const PixelFormat& format) {
    PictureOptions picture;
    tavPipelineInit(&picture.pipeline);
    if (options.has("black")) parseBlackLevels(options.text("black"), format, picture.pipeline.blackLevel);
    if (options.has("wb")) {
        if (options.text("wb") == "auto") {
            picture.autoWhiteBalance = true;
        } else {
            parseGains(options.text("wb"), picture.pipeline.whiteBalance);
        }
    }
    if (options.has("ccm")) {
        const std::string text = options.text("ccm");
        if (isRegularFile(text)) {
            picture.ccmFile = text;
            const std::vector<uint8_t> bytes = readFile(text);
            const std::string problem = matrixProblem(matrixWords(std::string(bytes.begin(), bytes.end())),
                                                      picture.pipeline.colorMatrix);
            if (!problem.empty()) failure(text + ": not a colour matrix: " + problem);
        } else if (!matrixProblem(commaWords(text), picture.pipeline.colorMatrix).empty()) {
            usageError("--ccm must be nine numbers from -16 to 16 (row by row, comma-separated) or a file that "
                       "holds them, got '" + text + "'");
        }
    }
    if (options.has("curve")) parseCurve(options.text("curve"), picture.pipeline);
    if (options.has("shading")) picture.shadingFile = options.text("shading");
    picture.enabled = options.has("black") || options.has("wb") || options.has("ccm") || options.has("curve") ||
                      options.has("shading");
    return picture;
}

void loadShading(PictureOptions& picture, const FrameGeometry& g) {
    if (picture.shadingFile.empty()) return;
    const std::string& path = picture.shadingFile;
    picture.shading = readShadingTable(path);
    const ShadingTable& table = picture.shading;
    if (table.mode() > 1) {
        failure(path + ": table mode " + std::to_string(table.mode()) + " is neither 0 (2x2 cells) nor 1 (pixels)");
    }
    if (table.width() != g.width || table.height() != g.height) {
        failure(path + ": the table is for " + std::to_string(table.width()) + "x" + std::to_string(table.height()) +
                " frames, not " + std::to_string(g.width) + "x" + std::to_string(g.height));
    }
    // The library reads as many words as the header names: a file shorter or
    // longer than that is refused before it is used.
    if (!tableSizeMatchesHeader(table)) {
        failure(path + ": table file holds " + std::to_string(table.words.size() - 3) +
                " parameter words, its header asks for " +
                std::to_string(parameterWordCount(table.mode(), table.height(), table.width())));
    }
    if (!table.headerless() && table.bits != g.format->bits) {
        failure(path + ": the table was made for " + std::to_string(table.bits) + "-bit frames, not " +
                std::to_string(g.format->bits) + "-bit " + g.format->name);
    }
}

TavPipeline pipelineFor(const PictureOptions& picture) {
    TavPipeline pipeline = picture.pipeline;
    pipeline.shadingTable = picture.shading.words.empty() ? nullptr : picture.shading.words.data();
    return pipeline;
}

std::vector<std::string> pictureInputs(const PictureOptions& picture) {
    std::vector<std::string> files;
    if (!picture.ccmFile.empty()) files.push_back(picture.ccmFile);
    if (!picture.shadingFile.empty()) files.push_back(picture.shadingFile);
    return files;
}

}  // namespace tavraw
