// make_icon: draws the application icon from geometry and writes it as a Windows .ico file.
//
// Usage: make_icon OUT.ico [PREVIEW_DIR]
//
// The icon is a blue rounded tile holding an open amber box with a white arrow leaving it towards
// the top right: "open this elsewhere". Every size (48, 32, 16) is drawn natively, laid out on
// that size's own pixel grid and antialiased by supersampling. Each size is then stored at 4 bpp
// (the 16 VGA colours), 8 bpp (6x6x6 colour cube plus a ramp of the tile's blues) and 32 bpp
// (BGRA with alpha). All arithmetic is integer, so the output is byte-identical whatever the
// compiler, floating-point unit or platform.
// With PREVIEW_DIR, enlarged PNG previews of the nine images and a contact sheet are written too.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kSub = 16;         // samples per pixel along each axis
constexpr int kUnit = 2 * kSub;  // fixed-point units per pixel: sample centres fall on odd units

struct Rgba {
  int r, g, b, a;  // 0..255, straight (not premultiplied) alpha
};

struct Image {
  int size;
  std::vector<Rgba> px;  // top-down rows
};

// One stored image: palette indices (or direct colours at 32 bpp) plus its transparency mask.
struct IconImage {
  int size, bits;
  std::vector<Rgba> palette;
  std::vector<int> index;    // palette index per pixel (unused at 32 bpp)
  std::vector<Rgba> colour;  // what the pixel looks like, for the XOR bitmap and previews
  std::vector<bool> clear;   // AND mask: pixel shows the background
};

// ---------------------------------------------------------------- geometry

// Where the shapes sit for one icon size, in whole pixels. Each size is laid out by hand on its
// own pixel grid (the same composition, with gaps and strokes rounded to what that size can
// show) so the straight edges land on pixel boundaries and stay crisp down to 16x16.
struct Layout {
  int size, tileInset, tileRadius;
  int boxLeft, boxTop, boxRight, boxBottom, stroke;  // open box outline
  int boxTopEnd, boxRightTop;  // the top bar stops and the right bar starts here: open corner
  int tipX, tipY, head;        // arrowhead: right-angle corner at the tip, legs of length head
  int tailX, tailY, shaft;     // arrow shaft start (on the tip's diagonal) and width
};

const Layout kLayouts[] = {
    {48, 2, 9, 8, 15, 36, 40, 5, 19, 28, 40, 8, 17, 17, 31, 5},
    {32, 1, 6, 5, 10, 23, 27, 3, 13, 18, 27, 5, 11, 11, 21, 3},
    {16, 0, 3, 2, 5, 11, 14, 2, 6, 10, 14, 2, 6, 6, 10, 2},
};

const Layout& layoutFor(int size) {
  for (const Layout& l : kLayouts)
    if (l.size == size) return l;
  return kLayouts[0];
}

// Shape tests take a sample point in fixed units (kUnit per pixel) and answer exactly.
int64_t sq(int64_t v) { return v * v; }

bool inRect(int x, int y, int x0, int y0, int x1, int y1) {
  return x >= x0 && x < x1 && y >= y0 && y < y1;
}

bool inRoundedSquare(int x, int y, int lo, int hi, int r) {
  if (!inRect(x, y, lo, lo, hi, hi)) return false;
  int dx = x < lo + r ? lo + r - x : (x > hi - r ? x - (hi - r) : 0);
  int dy = y < lo + r ? lo + r - y : (y > hi - r ? y - (hi - r) : 0);
  return sq(dx) + sq(dy) <= sq(r);
}

// Within distance w of segment (ax,ay)-(bx,by), tested exactly in integers.
bool inThickSegment(int x, int y, int ax, int ay, int bx, int by, int w) {
  int64_t ux = bx - ax, uy = by - ay, px = x - ax, py = y - ay;
  int64_t t = px * ux + py * uy, len2 = ux * ux + uy * uy;
  if (t <= 0) return px * px + py * py <= sq(w);
  if (t >= len2) return sq(x - bx) + sq(y - by) <= sq(w);
  return sq(px * uy - py * ux) <= sq(w) * len2;
}

bool inBox(const Layout& l, int x, int y) {
  const int x0 = l.boxLeft * kUnit, x1 = l.boxRight * kUnit, y0 = l.boxTop * kUnit,
            y1 = l.boxBottom * kUnit, s = l.stroke * kUnit;
  return inRect(x, y, x0, y0, x0 + s, y1) ||                   // left bar
         inRect(x, y, x0, y1 - s, x1, y1) ||                   // bottom bar
         inRect(x, y, x0, y0, l.boxTopEnd * kUnit, y0 + s) ||  // top bar, stopping short
         inRect(x, y, x1 - s, l.boxRightTop * kUnit, x1, y1);  // right bar, starting low
}

bool inArrow(const Layout& l, int x, int y) {
  const int tipX = l.tipX * kUnit, tipY = l.tipY * kUnit;
  if (x < tipX && y >= tipY && (tipX - x) + (y - tipY) <= l.head * kUnit) return true;
  // The shaft runs along the tip's diagonal into the head. An even width is moved half a pixel
  // across the diagonal so it covers whole pixels instead of half-covering three.
  const int nudge = l.shaft % 2 == 0 ? kUnit / 4 : 0, into = l.head * kUnit / 3;
  return inThickSegment(x, y, l.tailX * kUnit + nudge, l.tailY * kUnit + nudge, tipX - into + nudge,
                        tipY + into + nudge, l.shaft * kUnit / 2);
}

Rgba lerp(Rgba a, Rgba b, int t, int span) {
  auto mix = [&](int u, int v) { return u + (v - u) * t / span; };
  return {mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b), 255};
}

// Colours of the picture. The 16-colour images use the same shapes in VGA colours: a flat blue
// tile, since its gradient would split into a jagged two-tone patch or turn grey.
struct Scheme {
  Rgba tileTop, tileBottom, rim, arrow, box;
};
const Scheme kTrueColour{{60, 150, 255, 255},
                         {10, 50, 190, 255},
                         {10, 35, 140, 255},
                         {255, 255, 255, 255},
                         {255, 200, 40, 255}};
const Scheme kVgaColour{
    {0, 0, 255, 255}, {0, 0, 255, 255}, {0, 0, 128, 255}, {255, 255, 255, 255}, {255, 255, 0, 255}};

// Colour of the picture at one sample point; alpha is 0 or 255.
Rgba shade(const Layout& l, const Scheme& s, int x, int y) {
  const int lo = l.tileInset * kUnit, hi = (l.size - l.tileInset) * kUnit, r = l.tileRadius * kUnit;
  if (!inRoundedSquare(x, y, lo, hi, r)) return {0, 0, 0, 0};
  if (inArrow(l, x, y)) return s.arrow;
  if (inBox(l, x, y)) return s.box;
  if (!inRoundedSquare(x, y, lo + kUnit, hi - kUnit, r - kUnit)) return s.rim;  // 1 px rim
  return lerp(s.tileTop, s.tileBottom, x / 3 + y, l.size * kUnit * 4 / 3);
}

Image render(int size, const Scheme& scheme) {
  const Layout& l = layoutFor(size);
  Image img{size, std::vector<Rgba>(size * size)};
  for (int py = 0; py < size; ++py) {
    for (int px = 0; px < size; ++px) {
      int r = 0, g = 0, b = 0, n = 0;
      for (int sy = 0; sy < kSub; ++sy) {
        for (int sx = 0; sx < kSub; ++sx) {
          Rgba c = shade(l, scheme, px * kUnit + 2 * sx + 1, py * kUnit + 2 * sy + 1);
          if (c.a == 0) continue;
          r += c.r, g += c.g, b += c.b, ++n;
        }
      }
      const int total = kSub * kSub;
      Rgba& out = img.px[py * size + px];
      out = n == 0 ? Rgba{0, 0, 0, 0}
                   : Rgba{(r + n / 2) / n, (g + n / 2) / n, (b + n / 2) / n,
                          (n * 255 + total / 2) / total};
    }
  }
  return img;
}

// ---------------------------------------------------------------- palettes and quantising

std::vector<Rgba> vgaPalette() {
  return {{0, 0, 0, 0},       {128, 0, 0, 0},   {0, 128, 0, 0},   {128, 128, 0, 0},
          {0, 0, 128, 0},     {128, 0, 128, 0}, {0, 128, 128, 0}, {192, 192, 192, 0},
          {128, 128, 128, 0}, {255, 0, 0, 0},   {0, 255, 0, 0},   {255, 255, 0, 0},
          {0, 0, 255, 0},     {255, 0, 255, 0}, {0, 255, 255, 0}, {255, 255, 255, 0}};
}

std::vector<Rgba> cubePalette() {
  std::vector<Rgba> p;
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) p.push_back({r * 51, g * 51, b * 51, 0});
  // The spare entries follow the tile's gradient so it shades smoothly without dithering.
  for (int i = 0; p.size() < 256; ++i)
    p.push_back(lerp(kTrueColour.tileTop, kTrueColour.tileBottom, i, 39));
  return p;
}

// Nearest of the candidate palette entries, by a roughly perceptual weighted distance.
int nearest(const std::vector<Rgba>& pal, const std::vector<int>& candidates, Rgba c) {
  int best = candidates[0];
  int64_t bestDist = INT64_MAX;
  for (int i : candidates) {
    int64_t d = 3 * sq(pal[i].r - c.r) + 4 * sq(pal[i].g - c.g) + 2 * sq(pal[i].b - c.b);
    if (d < bestDist) bestDist = d, best = i;
  }
  return best;
}

// Palette indices a pixel may map to. At 4 bpp only the colours the picture uses and light grey
// for the antialiased edges: the greens, cyans and purples would put coloured fringes there.
std::vector<int> candidatesFor(int bits) {
  if (bits == 4) return {4, 7, 11, 12, 15};
  std::vector<int> all(256);
  for (int i = 0; i < 256; ++i) all[i] = i;
  return all;
}

IconImage quantise(const Image& img, int bits) {
  IconImage q{img.size, bits, {}, {}, {}, {}};
  if (bits == 4) q.palette = vgaPalette();
  if (bits == 8) q.palette = cubePalette();
  const std::vector<int> candidates = candidatesFor(bits);
  for (int y = 0; y < img.size; ++y) {
    for (int x = 0; x < img.size; ++x) {
      Rgba c = img.px[y * img.size + x];
      q.clear.push_back(c.a < 128);
      if (bits == 32) {
        q.colour.push_back(c);
        q.index.push_back(0);
        continue;
      }
      // Without an alpha channel a pixel is either opaque or shows the background through the
      // mask; hidden pixels are black in the XOR bitmap so the mask alone decides.
      int i = c.a < 128 ? 0 : nearest(q.palette, candidates, c);
      Rgba p = q.palette[i];
      q.index.push_back(i);
      q.colour.push_back({p.r, p.g, p.b, c.a < 128 ? 0 : 255});
    }
  }
  return q;
}

// ---------------------------------------------------------------- ICO writing

void put16(std::vector<uint8_t>& out, int v) {
  out.push_back(v & 0xff);
  out.push_back((v >> 8) & 0xff);
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
  put16(out, v & 0xffff);
  put16(out, v >> 16);
}

int rowBytes(int width, int bits) { return (width * bits + 31) / 32 * 4; }

// A DIB as stored in an icon: header with doubled height, palette, XOR then AND bitmaps.
std::vector<uint8_t> dibEntry(const IconImage& q) {
  const int n = q.size, xorRow = rowBytes(n, q.bits), andRow = rowBytes(n, 1);
  std::vector<uint8_t> out;
  put32(out, 40);
  put32(out, n);
  put32(out, 2 * n);
  put16(out, 1);
  put16(out, q.bits);
  put32(out, 0);  // BI_RGB
  put32(out, (xorRow + andRow) * n);
  for (int i = 0; i < 4; ++i) put32(out, 0);  // resolution and colour counts: defaults
  for (const Rgba& p : q.palette) put32(out, p.b | p.g << 8 | p.r << 16);
  for (int y = n - 1; y >= 0; --y) {  // bottom-up
    std::vector<uint8_t> row(xorRow, 0);
    for (int x = 0; x < n; ++x) {
      int i = y * n + x;
      const Rgba& c = q.colour[i];
      if (q.bits == 32) {
        row[4 * x] = c.b, row[4 * x + 1] = c.g, row[4 * x + 2] = c.r, row[4 * x + 3] = c.a;
      } else if (q.bits == 8) {
        row[x] = q.index[i];
      } else {
        row[x / 2] |= q.index[i] << (x % 2 ? 0 : 4);
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  for (int y = n - 1; y >= 0; --y) {
    std::vector<uint8_t> row(andRow, 0);
    for (int x = 0; x < n; ++x)
      if (q.clear[y * n + x]) row[x / 8] |= 0x80 >> (x % 8);
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

std::vector<uint8_t> icoFile(const std::vector<IconImage>& images) {
  std::vector<uint8_t> out;
  put16(out, 0);
  put16(out, 1);  // icon resource
  put16(out, static_cast<int>(images.size()));
  std::vector<std::vector<uint8_t>> dibs;
  uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
  for (const IconImage& q : images) {
    dibs.push_back(dibEntry(q));
    out.push_back(q.size);
    out.push_back(q.size);
    out.push_back(q.bits == 4 ? 16 : 0);  // colour count, 0 when 256 or more
    out.push_back(0);
    put16(out, 1);  // planes
    put16(out, q.bits);
    const uint32_t bytes = static_cast<uint32_t>(dibs.back().size());
    put32(out, bytes);
    put32(out, offset);
    offset += bytes;
  }
  for (const auto& d : dibs) out.insert(out.end(), d.begin(), d.end());
  return out;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& data) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
  return std::fclose(f) == 0 && ok;
}

// ---------------------------------------------------------------- PNG previews

uint32_t crc32(const uint8_t* p, size_t n, uint32_t crc = 0) {
  crc = ~crc;
  for (size_t i = 0; i < n; ++i) {
    crc ^= p[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

void putBe32(std::vector<uint8_t>& out, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out.push_back((v >> s) & 0xff);
}

void pngChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  putBe32(out, static_cast<uint32_t>(data.size()));
  std::vector<uint8_t> body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  out.insert(out.end(), body.begin(), body.end());
  putBe32(out, crc32(body.data(), body.size()));
}

// zlib stream of stored (uncompressed) deflate blocks.
std::vector<uint8_t> zlibStored(const std::vector<uint8_t>& raw) {
  std::vector<uint8_t> z{0x78, 0x01};
  size_t pos = 0;
  do {
    size_t len = raw.size() - pos < 65535 ? raw.size() - pos : 65535;
    z.push_back(pos + len == raw.size() ? 1 : 0);
    put16(z, static_cast<int>(len));
    put16(z, static_cast<int>(~len & 0xffff));
    z.insert(z.end(), raw.begin() + pos, raw.begin() + pos + len);
    pos += len;
  } while (pos < raw.size());
  uint32_t a = 1, b = 0;
  for (uint8_t v : raw) a = (a + v) % 65521, b = (b + a) % 65521;
  putBe32(z, b << 16 | a);
  return z;
}

// RGB canvas for previews.
struct Canvas {
  int w, h;
  std::vector<uint8_t> rgb;
};

bool writePng(const std::string& path, const Canvas& c) {
  std::vector<uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'}, ihdr, raw;
  putBe32(ihdr, c.w);
  putBe32(ihdr, c.h);
  ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, no interlace
  for (int y = 0; y < c.h; ++y) {
    raw.push_back(0);  // no filter
    raw.insert(raw.end(), c.rgb.begin() + y * c.w * 3, c.rgb.begin() + (y + 1) * c.w * 3);
  }
  pngChunk(png, "IHDR", ihdr);
  pngChunk(png, "IDAT", zlibStored(raw));
  pngChunk(png, "IEND", {});
  return writeFile(path, png);
}

// Draws one image enlarged at (ox, oy), blended over a checkerboard or a flat backdrop.
void drawEnlarged(Canvas& c, const IconImage& q, int ox, int oy, int scale, int backdrop) {
  for (int y = 0; y < q.size * scale; ++y) {
    for (int x = 0; x < q.size * scale; ++x) {
      int i = (y / scale) * q.size + x / scale;
      int bg = backdrop >= 0 ? backdrop : ((x / 8 + y / 8) % 2 ? 204 : 240);
      const Rgba& p = q.colour[i];
      uint8_t* d = &c.rgb[((oy + y) * c.w + ox + x) * 3];
      d[0] = (p.r * p.a + bg * (255 - p.a) + 127) / 255;
      d[1] = (p.g * p.a + bg * (255 - p.a) + 127) / 255;
      d[2] = (p.b * p.a + bg * (255 - p.a) + 127) / 255;
    }
  }
}

bool writePreviews(const std::string& dir, const std::vector<IconImage>& images) {
  bool ok = true;
  for (const IconImage& q : images) {
    Canvas c{q.size * 8, q.size * 8, std::vector<uint8_t>(q.size * q.size * 192)};
    drawEnlarged(c, q, 0, 0, 8, -1);
    ok &= writePng(
        dir + "/icon-" + std::to_string(q.size) + "-" + std::to_string(q.bits) + "bpp.png", c);
  }
  // Contact sheet: a row per size, every image enlarged to the same width; each depth over a
  // checkerboard, then over a dark backdrop.
  const int scale = 4, cell = 48 * scale + 8, cols = 6, rows = 3;
  Canvas sheet{cols * cell + 8, rows * cell + 8, {}};
  sheet.rgb.assign(sheet.w * sheet.h * 3, 255);
  for (size_t k = 0; k < images.size(); ++k) {
    for (int dark = 0; dark < 2; ++dark) {
      int col = static_cast<int>(k % 3) + 3 * dark, row = static_cast<int>(k / 3);
      drawEnlarged(sheet, images[k], 8 + col * cell, 8 + row * cell, scale * 48 / images[k].size,
                   dark ? 48 : -1);
    }
  }
  return writePng(dir + "/contact-sheet.png", sheet) && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: make_icon OUT.ico [PREVIEW_DIR]\n");
    return 2;
  }
  std::vector<IconImage> images;
  for (int size : {48, 32, 16}) {
    Image trueColour = render(size, kTrueColour), vga = render(size, kVgaColour);
    for (int bits : {4, 8, 32}) images.push_back(quantise(bits == 4 ? vga : trueColour, bits));
  }
  if (!writeFile(argv[1], icoFile(images))) {
    std::fprintf(stderr, "make_icon: cannot write %s\n", argv[1]);
    return 1;
  }
  if (argc == 3 && !writePreviews(argv[2], images)) {
    std::fprintf(stderr, "make_icon: cannot write previews to %s\n", argv[2]);
    return 1;
  }
  return 0;
}
