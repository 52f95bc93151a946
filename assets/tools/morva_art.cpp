// Build-time renderer of the game's pictures. Every picture comes from an
// editable source (SVG or the outline font); this tool only turns sources into
// texture files, the embedded icon and the review contact sheet.
//
//   morva_art svg  SOURCE.svg OUT W H
//   morva_art font FONT.ttf OUT
//   morva_art icon OUT.cpp SIZE:SOURCE.svg ...
//   morva_art sheet OUT.png LABEL_FONT.ttf TEXTURE:CELL_W:CELL_H ...

#include <cairo-ft.h>
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <librsvg/rsvg.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

[[noreturn]] void Fail(const std::string& message) {
    std::fprintf(stderr, "morva_art: %s\n", message.c_str());
    std::exit(1);
}

struct Surface {
    cairo_surface_t* surface;
    cairo_t* cr;

    Surface(int w, int h)
        : surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h)),
          cr(cairo_create(surface)) {
        if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
            Fail("cannot create a surface");
        }
    }
    ~Surface() {
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
    }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    void WritePng(const std::string& path);
};

// Cairo keeps premultiplied colour; textures and the icon want straight alpha.
void StraightRgba(const Surface& image, std::vector<unsigned char>& out) {
    cairo_surface_flush(image.surface);
    const int w = cairo_image_surface_get_width(image.surface);
    const int h = cairo_image_surface_get_height(image.surface);
    const int stride = cairo_image_surface_get_stride(image.surface);
    const unsigned char* data = cairo_image_surface_get_data(image.surface);
    out.clear();
    out.reserve(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
        for (int x = 0; x < w; ++x) {
            const uint32_t pixel = row[x];
            const unsigned a = pixel >> 24;
            unsigned rgb[3] = {(pixel >> 16) & 0xff, (pixel >> 8) & 0xff, pixel & 0xff};
            for (unsigned& c : rgb) {
                c = a == 0 ? 0 : std::min(255u, (c * 255 + a / 2) / a);
            }
            out.insert(out.end(),
                       {static_cast<unsigned char>(rgb[0]), static_cast<unsigned char>(rgb[1]),
                        static_cast<unsigned char>(rgb[2]), static_cast<unsigned char>(a)});
        }
    }
}

// Always 8-bit RGBA, even for opaque pictures (cairo's own writer would drop
// the alpha channel then), and no time stamp so builds are reproducible.
void Surface::WritePng(const std::string& path) {
    std::vector<unsigned char> rgba;
    StraightRgba(*this, rgba);
    const int w = cairo_image_surface_get_width(surface);
    const int h = cairo_image_surface_get_height(surface);
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        Fail("cannot write " + path);
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (png == nullptr || info == nullptr || setjmp(png_jmpbuf(png))) {
        Fail("cannot encode " + path);
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < h; ++y) {
        png_write_row(png, rgba.data() + static_cast<size_t>(y) * w * 4);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fclose(file) != 0) {
        Fail("cannot write " + path);
    }
}

void RenderSvg(const std::string& source, cairo_t* cr, int w, int h) {
    GError* error = nullptr;
    RsvgHandle* handle = rsvg_handle_new_from_file(source.c_str(), &error);
    if (handle == nullptr) {
        Fail(source + ": " + (error != nullptr ? error->message : "unreadable"));
    }
    RsvgRectangle viewport{0.0, 0.0, static_cast<double>(w), static_cast<double>(h)};
    if (!rsvg_handle_render_document(handle, cr, &viewport, &error)) {
        Fail(source + ": " + (error != nullptr ? error->message : "cannot render"));
    }
    g_object_unref(handle);
}

int CommandSvg(const std::string& source, const std::string& out, int w, int h) {
    Surface target(w, h);
    RenderSvg(source, target.cr, w, h);
    target.WritePng(out);
    return 0;
}

class FontFace {
public:
    explicit FontFace(const std::string& path) {
        if (FT_Init_FreeType(&library_) != 0 || FT_New_Face(library_, path.c_str(), 0, &face_)) {
            Fail("cannot open font " + path);
        }
        face_cairo_ = cairo_ft_font_face_create_for_ft_face(face_, 0);
    }
    ~FontFace() {
        cairo_font_face_destroy(face_cairo_);
        FT_Done_Face(face_);
        FT_Done_FreeType(library_);
    }
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;
    cairo_font_face_t* get() const { return face_cairo_; }

private:
    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
    cairo_font_face_t* face_cairo_ = nullptr;
};

// Glyph cells of 64 x 128 for codes 32..127, sixteen to a row, always drawn
// at half their height in width, so a glyph keeps the shape it has here.
// Capitals stand on one baseline high in the cell: the score board writes
// "COMBO!" 100 high just 60 above its gauge, so ink must end by row 76.
// Text advances by whole cells, so every glyph's ink is centred in its cell
// and narrow glyphs are made broader, or the letters of a word drift apart:
// "I" and "1" get slab serifs, the others are widened up to a limit. Glyphs
// still too wide are narrowed to fit.
struct GlyphLayout {
    static constexpr int kCellW = 64;
    static constexpr int kCellH = 128;
    static constexpr int kColumns = 16;
    static constexpr int kRows = 6;
    static constexpr double kCapHeight = 54.0;  // texels, the height of "H"
    static constexpr double kCapWidth = 44.0;   // texels, the ink width of an upright "H"
    static constexpr double kBaseline = 66.0;   // texel row
    static constexpr double kSlant = 0.08;      // texels right per texel up, like the logo
    static constexpr double kOutline = 9.0;     // texels, dark rim drawn around the ink
    static constexpr double kBolden = 2.5;      // texels of fill widened into the rim
    // Widest ink before the rim that still clears the 2-texel cell margins.
    static constexpr double kInkMaxW = kCellW - 5.0 - kOutline - kBolden;
    // Narrower ink is widened towards this, by at most kMaxWiden.
    static constexpr double kInkMinW = 0.96 * kInkMaxW;
    static constexpr double kMaxWiden = 1.6;
    static constexpr double kSerifW = 34.0;  // texels, the bars of "I"
    static constexpr double kFootW = 40.0;   // texels, the foot of "1"
    static constexpr double kSerifH = 10.0;  // texels, a bar's thickness
};

cairo_matrix_t GlyphMatrix(double scale_x, double scale_y, double slant = GlyphLayout::kSlant) {
    cairo_matrix_t matrix;
    cairo_matrix_init(&matrix, scale_x, 0.0, -slant * scale_y, scale_y, 0.0, 0.0);
    return matrix;
}

cairo_text_extents_t Extents(cairo_t* cr, const char* text, double scale_x, double scale_y,
                             double slant = GlyphLayout::kSlant) {
    const cairo_matrix_t matrix = GlyphMatrix(scale_x, scale_y, slant);
    cairo_set_font_matrix(cr, &matrix);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text, &extents);
    return extents;
}

// A bar across a stem, slanted like the glyph: x about the stem's upright
// centre, y upwards from the baseline, both from the glyph's origin.
struct Serif {
    double centre, half_w, bottom, top;
};

void AppendSerif(cairo_t* cr, double origin_x, double baseline_y, const Serif& serif) {
    cairo_save(cr);
    cairo_matrix_t shear;
    cairo_matrix_init(&shear, 1.0, 0.0, -GlyphLayout::kSlant, 1.0, origin_x, baseline_y);
    cairo_transform(cr, &shear);
    cairo_rectangle(cr, serif.centre - serif.half_w, -serif.top, 2 * serif.half_w,
                    serif.top - serif.bottom);
    cairo_restore(cr);
}

int CommandFont(const std::string& font_path, const std::string& out) {
    using L = GlyphLayout;
    FontFace face(font_path);
    Surface target(L::kCellW * L::kColumns, L::kCellH * L::kRows);
    cairo_t* cr = target.cr;
    cairo_set_font_face(cr, face.get());
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);

    // Scales from the face's own "H" at unit size.
    const cairo_text_extents_t unit = Extents(cr, "H", 1.0, 1.0);
    if (unit.height <= 0 || unit.width <= 0) {
        Fail(font_path + ": no outline for H");
    }
    const double scale_y = L::kCapHeight / unit.height;
    const double scale_x = L::kCapWidth / (unit.width - L::kSlant * unit.height);
    // Digits are narrower than capitals in most faces; they get a width of
    // their own so a score reads as boldly as its label.
    double digit_ink = 0;
    for (char digit = '0'; digit <= '9'; ++digit) {
        const char text[2] = {digit, '\0'};
        digit_ink = std::max(digit_ink, Extents(cr, text, scale_x, scale_y).width);
    }
    const double digit_scale_x = scale_x * (L::kInkMaxW - 2.0) / digit_ink;

    // The serifs sit on the stems: "I", "l" and the foot of "i" are a stem
    // alone, "1" a stem with a flag on its left; "l" and "i" get a bar
    // leaning back from their top, like a typewriter's.
    const cairo_text_extents_t upright_l = Extents(cr, "l", scale_x, scale_y, 0.0);
    const double x_height = -Extents(cr, "x", scale_x, scale_y, 0.0).y_bearing;
    const auto lower = [&](double top) -> std::vector<Serif> {
        const double left = upright_l.x_bearing - 0.45 * L::kSerifW;
        const double right = upright_l.x_bearing + upright_l.width;
        return {{(left + right) / 2, (right - left) / 2, top - L::kSerifH, top},
                {upright_l.x_bearing + upright_l.width / 2, L::kSerifW / 2, 0, L::kSerifH}};
    };
    const cairo_text_extents_t upright_i = Extents(cr, "I", scale_x, scale_y, 0.0);
    const cairo_text_extents_t upright_1 = Extents(cr, "1", digit_scale_x, scale_y, 0.0);
    const double stem_1 = upright_i.width * digit_scale_x / scale_x;
    const double centre_i = upright_i.x_bearing + upright_i.width / 2;
    const double centre_1 = upright_1.x_bearing + upright_1.width - stem_1 / 2;
    const auto serifs = [&](int code) -> std::vector<Serif> {
        if (code == 'I') {
            return {{centre_i, L::kSerifW / 2, 0, L::kSerifH},
                    {centre_i, L::kSerifW / 2, L::kCapHeight - L::kSerifH, L::kCapHeight}};
        }
        if (code == '1') {
            return {{centre_1, L::kFootW / 2, 0, L::kSerifH}};
        }
        if (code == 'l') {
            return lower(-upright_l.y_bearing);
        }
        if (code == 'i') {
            return lower(x_height);
        }
        return {};
    };

    for (int code = 33; code < 127; ++code) {
        const int cell = code - 32;
        const double cell_x = L::kCellW * (cell % L::kColumns);
        const double cell_y = L::kCellH * (cell / L::kColumns);
        const char text[2] = {static_cast<char>(code), '\0'};
        const bool digit = code >= '0' && code <= '9';
        const std::vector<Serif> bars = serifs(code);
        double glyph_scale_x = digit ? digit_scale_x : scale_x;
        cairo_text_extents_t extents = Extents(cr, text, glyph_scale_x, scale_y);
        if (extents.width > L::kInkMaxW) {
            glyph_scale_x *= L::kInkMaxW / extents.width;
        } else if (bars.empty() && extents.width < L::kInkMinW) {
            glyph_scale_x *= std::min(L::kMaxWiden, L::kInkMinW / extents.width);
        }
        const cairo_matrix_t matrix = GlyphMatrix(glyph_scale_x, scale_y);
        const double baseline_y = cell_y + L::kBaseline;
        const auto glyph_path = [&](double origin_x) {
            cairo_new_path(cr);
            cairo_set_font_matrix(cr, &matrix);
            cairo_move_to(cr, origin_x, baseline_y);
            cairo_text_path(cr, text);
        };
        const auto serif_path = [&](double origin_x) {
            cairo_new_path(cr);
            for (const Serif& bar : bars) {
                AppendSerif(cr, origin_x, baseline_y, bar);
            }
        };
        // The ink, serifs included, centred in the cell.
        glyph_path(0);
        serif_path(0);
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        cairo_path_extents(cr, &x1, &y1, &x2, &y2);
        glyph_path(0);
        double gx1 = 0, gx2 = 0;
        cairo_path_extents(cr, &gx1, &y1, &gx2, &y2);
        const double left = bars.empty() ? gx1 : std::min(x1, gx1);
        const double right = bars.empty() ? gx2 : std::max(x2, gx2);
        const double origin_x = cell_x + (L::kCellW - (right - left)) / 2.0 - left;

        cairo_save(cr);
        cairo_rectangle(cr, cell_x + 2, cell_y + 2, L::kCellW - 4, L::kCellH - 4);
        cairo_clip(cr);
        // White above, warming to the logo's pale gold at the foot, so text
        // belongs with the logo and still reads on sky and grass.
        cairo_pattern_t* fill = cairo_pattern_create_linear(
            0, cell_y + L::kBaseline - L::kCapHeight, 0, cell_y + L::kBaseline);
        cairo_pattern_add_color_stop_rgb(fill, 0.0, 1.0, 1.0, 1.0);
        cairo_pattern_add_color_stop_rgb(fill, 0.5, 1.0, 1.0, 1.0);
        cairo_pattern_add_color_stop_rgb(fill, 1.0, 1.0, 0.87, 0.55);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        const std::function<void(double)> parts[] = {glyph_path, serif_path};
        // Every part's rim first, then every part's fill over the rims, so
        // where a serif meets its stem no rim shows inside the letter.
        for (const auto& part : parts) {
            part(origin_x);
            cairo_set_line_width(cr, L::kOutline + L::kBolden);
            cairo_set_source_rgb(cr, 0.13, 0.09, 0.16);
            cairo_stroke(cr);
        }
        for (const auto& part : parts) {
            part(origin_x);
            cairo_set_source(cr, fill);
            cairo_set_line_width(cr, L::kBolden);
            cairo_stroke_preserve(cr);
            cairo_fill(cr);
        }
        cairo_pattern_destroy(fill);
        cairo_restore(cr);
    }
    target.WritePng(out);
    return 0;
}

void AppendBytes(std::ostringstream& code, const std::vector<unsigned char>& rgba) {
    int column = 0;
    for (unsigned char value : rgba) {
        code << static_cast<unsigned>(value) << ',';
        if (++column == 24) {
            code << '\n';
            column = 0;
        }
    }
}

// Each entry is SIZE:SOURCE.svg, smallest first.
int CommandIcon(const std::string& out, const std::vector<std::string>& entries) {
    std::vector<int> sizes;
    std::ostringstream code;
    code << "// Generated by morva_art from assets/icon; edit the SVGs, not this file.\n"
         << "#include \"ProgramIcon.h\"\n\nnamespace morva {\nnamespace {\n\n";
    for (const std::string& entry : entries) {
        const size_t colon = entry.find(':');
        const int size = std::atoi(entry.substr(0, colon).c_str());
        if (colon == std::string::npos || size <= 0) {
            Fail("icon entry must be SIZE:SOURCE.svg: " + entry);
        }
        sizes.push_back(size);
        Surface image(size, size);
        RenderSvg(entry.substr(colon + 1), image.cr, size, size);
        std::vector<unsigned char> rgba;
        StraightRgba(image, rgba);
        code << "const unsigned char kIcon" << size << "[] = {\n";
        AppendBytes(code, rgba);
        code << "};\n\n";
    }
    code << "const plumo::IconImage kImages[] = {";
    for (int size : sizes) {
        code << "{" << size << ", kIcon" << size << "}, ";
    }
    code << "};\n\n}  // namespace\n\n"
         << "const plumo::Icon& ProgramIcon() {\n"
         << "    static const plumo::Icon icon{" << sizes.size() << ", kImages};\n"
         << "    return icon;\n}\n\n}  // namespace morva\n";
    std::ofstream file(out, std::ios::binary);
    file << code.str();
    if (!file) {
        Fail("cannot write " + out);
    }
    return 0;
}

struct SheetEntry {
    std::string path;
    std::string name;
    std::string title;
    int cell_w;
    int cell_h;
    cairo_surface_t* image;
    double x = 0;
    double y = 0;
};

SheetEntry ParseEntry(const std::string& entryText) {
    const size_t second = entryText.rfind(':');
    const size_t first = entryText.rfind(':', second - 1);
    if (first == std::string::npos || second == std::string::npos) {
        Fail("sheet entry must be PATH:CELL_W:CELL_H: " + entryText);
    }
    SheetEntry entry;
    entry.path = entryText.substr(0, first);
    entry.name = entry.path.substr(entry.path.find_last_of('/') + 1);
    entry.cell_w = std::atoi(entryText.substr(first + 1, second - first - 1).c_str());
    entry.cell_h = std::atoi(entryText.substr(second + 1).c_str());
    entry.image = cairo_image_surface_create_from_png(entry.path.c_str());
    if (cairo_surface_status(entry.image) != CAIRO_STATUS_SUCCESS) {
        Fail("cannot read " + entry.path);
    }
    entry.title = entry.name + "  " + std::to_string(cairo_image_surface_get_width(entry.image)) +
                  " x " + std::to_string(cairo_image_surface_get_height(entry.image)) + "  cells " +
                  std::to_string(entry.cell_w) + " x " + std::to_string(entry.cell_h);
    return entry;
}

void Checkerboard(cairo_t* cr, double x, double y, double w, double h) {
    constexpr double kSquare = 16;
    cairo_save(cr);
    cairo_rectangle(cr, x, y, w, h);
    cairo_clip(cr);
    cairo_set_source_rgb(cr, 0.80, 0.80, 0.80);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0.60, 0.60, 0.60);
    for (double sy = 0; sy < h; sy += kSquare) {
        for (double sx = 0; sx < w; sx += kSquare) {
            if ((static_cast<int>(sx / kSquare) + static_cast<int>(sy / kSquare)) % 2 == 0) {
                cairo_rectangle(cr, x + sx, y + sy, kSquare, kSquare);
            }
        }
    }
    cairo_fill(cr);
    cairo_restore(cr);
}

// Lays the textures out on shelves at their own pixel size, so that what one
// sees is what the game samples, and marks every cell with its source origin.
// Each box is as wide as its texture or its heading, whichever is wider, so
// no heading runs into the next one.
int CommandSheet(const std::string& out, const std::string& font_path,
                 const std::vector<std::string>& entryTexts) {
    constexpr double kWidth = 3200;
    constexpr double kGap = 40;
    constexpr double kTitle = 34;
    constexpr double kTitleSize = 22;
    std::vector<SheetEntry> entries;
    for (const std::string& entryText : entryTexts) {
        entries.push_back(ParseEntry(entryText));
    }
    FontFace face(font_path);
    Surface measure(1, 1);
    cairo_set_font_face(measure.cr, face.get());
    cairo_set_font_size(measure.cr, kTitleSize);
    double x = kGap;
    double y = kGap;
    double shelf = 0;
    for (SheetEntry& entry : entries) {
        const double w = cairo_image_surface_get_width(entry.image);
        const double h = cairo_image_surface_get_height(entry.image);
        cairo_text_extents_t title_extents;
        cairo_text_extents(measure.cr, entry.title.c_str(), &title_extents);
        const double box_w = std::max(w, std::ceil(title_extents.x_advance));
        if (x + box_w > kWidth - kGap) {
            x = kGap;
            y += shelf + kGap;
            shelf = 0;
        }
        entry.x = x;
        entry.y = y + kTitle;
        x += box_w + kGap;
        shelf = std::max(shelf, h + kTitle);
    }
    const int height = static_cast<int>(y + shelf + kGap);

    Surface sheet(static_cast<int>(kWidth), height);
    cairo_t* cr = sheet.cr;
    cairo_set_source_rgb(cr, 0.16, 0.16, 0.19);
    cairo_paint(cr);
    cairo_set_font_face(cr, face.get());
    for (const SheetEntry& entry : entries) {
        const int w = cairo_image_surface_get_width(entry.image);
        const int h = cairo_image_surface_get_height(entry.image);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_set_font_size(cr, kTitleSize);
        cairo_move_to(cr, entry.x, entry.y - 10);
        cairo_show_text(cr, entry.title.c_str());

        Checkerboard(cr, entry.x, entry.y, w, h);
        cairo_set_source_surface(cr, entry.image, entry.x, entry.y);
        cairo_paint(cr);

        cairo_set_line_width(cr, 1);
        cairo_set_source_rgba(cr, 1.0, 0.1, 0.5, 0.9);
        for (int cx = 0; cx <= w; cx += entry.cell_w) {
            cairo_move_to(cr, entry.x + cx + 0.5, entry.y);
            cairo_line_to(cr, entry.x + cx + 0.5, entry.y + h);
        }
        for (int cy = 0; cy <= h; cy += entry.cell_h) {
            cairo_move_to(cr, entry.x, entry.y + cy + 0.5);
            cairo_line_to(cr, entry.x + w, entry.y + cy + 0.5);
        }
        cairo_rectangle(cr, entry.x + 0.5, entry.y + 0.5, w - 1, h - 1);
        cairo_stroke(cr);

        cairo_set_font_size(cr, entry.cell_w >= 128 ? 14 : 9);
        for (int cy = 0; cy + entry.cell_h <= h; cy += entry.cell_h) {
            for (int cx = 0; cx + entry.cell_w <= w; cx += entry.cell_w) {
                const std::string label = std::to_string(cx) + "," + std::to_string(cy);
                cairo_text_extents_t extents;
                cairo_text_extents(cr, label.c_str(), &extents);
                cairo_set_source_rgba(cr, 0, 0, 0, 0.65);
                cairo_rectangle(cr, entry.x + cx + 1, entry.y + cy + 1, extents.x_advance + 4,
                                extents.height + 5);
                cairo_fill(cr);
                cairo_set_source_rgb(cr, 1.0, 0.85, 0.3);
                cairo_move_to(cr, entry.x + cx + 3, entry.y + cy + 2 + extents.height);
                cairo_show_text(cr, label.c_str());
            }
        }
        cairo_surface_destroy(entry.image);
    }
    sheet.WritePng(out);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 5 && args[0] == "svg") {
        return CommandSvg(args[1], args[2], std::atoi(args[3].c_str()), std::atoi(args[4].c_str()));
    }
    if (args.size() == 3 && args[0] == "font") {
        return CommandFont(args[1], args[2]);
    }
    if (args.size() >= 3 && args[0] == "icon") {
        return CommandIcon(args[1], {args.begin() + 2, args.end()});
    }
    if (args.size() >= 4 && args[0] == "sheet") {
        return CommandSheet(args[1], args[2], {args.begin() + 3, args.end()});
    }
    Fail(
        "usage: svg SRC OUT W H | font TTF OUT | icon OUT.cpp SIZE:SRC... | sheet OUT TTF "
        "TEX:CW:CH...");
}
