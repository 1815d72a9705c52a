// The presets shipped in data/cokin.pfs. The file is generated from this table (see the
// presets test), so the table is the one place to change them.
#include "adjust/filters/filterpresets.h"

namespace adjust {

namespace {

constexpr FilterColor kClear{255, 255, 255};

FilterPreset Grad(const char* name, FilterColor top, float strength, float hardness, FilterColor bottom = kClear) {
    PhotoFilterParams p;
    p.angle = 0.0f;
    p.hardness = hardness;
    p.offset = 0.5f;
    p.strength = strength;
    p.color1 = top;
    p.color2 = bottom;
    p.grad = 1;
    p.blackAndWhite = 0;
    return FilterPreset{kProtectedPresetCategory, name, p};
}

FilterPreset Full(const char* name, FilterColor color, float strength, bool blackAndWhite = false) {
    PhotoFilterParams p;
    p.strength = strength;
    p.color1 = color;
    p.color2 = kClear;
    p.grad = 0;
    p.blackAndWhite = blackAndWhite ? 1 : 0;
    return FilterPreset{kProtectedPresetCategory, name, p};
}

}  // namespace

std::vector<FilterPreset> BuiltinCokinPresets() {
    return {
        // Graduated neutral density: the top passes 1/2, 1/4 or 1/8 of the light.
        Grad("Grad grey ND2 (1 stop), soft", {128, 128, 128}, 1.0f, 0.3f),
        Grad("Grad grey ND2 (1 stop), hard", {128, 128, 128}, 1.0f, 0.8f),
        Grad("Grad grey ND4 (2 stops), soft", {64, 64, 64}, 1.0f, 0.3f),
        Grad("Grad grey ND4 (2 stops), hard", {64, 64, 64}, 1.0f, 0.8f),
        Grad("Grad grey ND8 (3 stops), soft", {32, 32, 32}, 1.0f, 0.3f),
        Grad("Grad grey ND8 (3 stops), hard", {32, 32, 32}, 1.0f, 0.8f),
        // Graduated colours over a clear lower half.
        Grad("Grad tobacco", {150, 105, 60}, 0.6f, 0.3f),
        Grad("Grad sunset orange", {255, 120, 30}, 0.5f, 0.3f),
        Grad("Grad amber", {255, 175, 40}, 0.4f, 0.3f),
        Grad("Grad sepia brown", {170, 120, 60}, 0.5f, 0.3f),
        Grad("Grad blue sky", {60, 120, 235}, 0.5f, 0.3f),
        Grad("Grad pink", {240, 130, 170}, 0.5f, 0.3f),
        Grad("Grad mauve", {170, 110, 190}, 0.5f, 0.3f),
        Grad("Grad twilight violet", {120, 80, 200}, 0.5f, 0.3f),
        Grad("Grad emerald green", {30, 150, 90}, 0.5f, 0.3f),
        // Two-colour graduated filters.
        Grad("Sunset red over amber", {240, 80, 40}, 0.5f, 0.2f, {255, 200, 120}),
        Grad("Blue sky over warm ground", {90, 140, 235}, 0.4f, 0.2f, {255, 210, 150}),
        Grad("Sky darkening (polariser look)", {110, 140, 210}, 0.6f, 0.0f),
        // Full colour-correction filters.
        Full("Warming 81A (light amber)", {255, 236, 214}, 1.0f),
        Full("Warming 81B", {255, 226, 196}, 1.0f),
        Full("Warming 81C", {255, 216, 178}, 1.0f),
        Full("Warming 85 (amber)", {255, 180, 100}, 1.0f),
        Full("Cooling 80A (strong blue)", {120, 170, 255}, 1.0f),
        Full("Cooling 80B (blue)", {145, 185, 255}, 1.0f),
        Full("Cooling 82A (light blue)", {215, 232, 255}, 1.0f),
        Full("Sepia tone", {220, 170, 110}, 0.7f),
        Full("Fluorescent correction (magenta)", {255, 200, 235}, 1.0f),
        Full("Red enhancer", {255, 180, 190}, 0.5f),
        // Contrast filters for black-and-white pictures.
        Full("B&W yellow (darker sky)", {255, 230, 0}, 1.0f, true),
        Full("B&W orange (dramatic sky)", {255, 140, 0}, 1.0f, true),
        Full("B&W red (very dark sky)", {255, 30, 10}, 1.0f, true),
        Full("B&W green (lighter foliage)", {90, 230, 90}, 1.0f, true),
        Full("B&W blue (haze, pale skin)", {60, 110, 255}, 1.0f, true),
    };
}

}  // namespace adjust
