#!/usr/bin/env python3
"""Draws the program's icons and its activity clip and writes them under ui/resources/res/.

    python3 scripts/generate_binaries.py [output-folder]

The pictures are computed, not painted, so that they can be rebuilt and reviewed as code.
The output is the same bytes on every run: no time stamps, no randomness, no dependence on
dictionary or file-system order. The build uses the files that are checked in; run this only
after changing a picture.

Writes:
  TolvexDesktopWin.ico  icon 128: 48, 32 and 16 pixels, each at 4, 8 and 24 bits per pixel
  icon148.ico           16 and 32 pixels, 4 bits per pixel ("connected" badge)
  icon149.ico           16 and 32 pixels, 4 bits per pixel ("disconnected" badge)
  activity.avi          12 uncompressed 24-bit frames of 28 x 50 pixels at 6 frames a second
"""

import math
import os
import struct
import sys

# --------------------------------------------------------------------------------------------
# Palettes

# The classic 16-colour VGA palette, in the order the system uses for 4-bit icons.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def palette256():
    """A 6x6x6 colour cube followed by 40 steps of the shield's blue ramp: 256 entries.

    The cube alone bands the shield's gradient badly; the ramp keeps it smooth at 8 bits.
    """
    levels = [0, 51, 102, 153, 204, 255]
    pal = [(r, g, b) for r in levels for g in levels for b in levels]
    for i in range(20):
        c = mix(FILL_TOP, FILL_BOTTOM, i / 19)
        pal.append(c)
        pal.append(mix(c, (255, 255, 255), HIGHLIGHT))
    return pal


def nearest(palette, rgb, cache):
    hit = cache.get(rgb)
    if hit is not None:
        return hit
    r, g, b = rgb
    best, best_d = 0, None
    for i, (pr, pg, pb) in enumerate(palette):
        # Weighted distance: the eye is most sensitive to green, least to blue.
        d = 3 * (r - pr) ** 2 + 4 * (g - pg) ** 2 + 2 * (b - pb) ** 2
        if best_d is None or d < best_d:
            best, best_d = i, d
    cache[rgb] = best
    return best


def mix(a, b, t):
    return tuple(clamp8(a[i] + (b[i] - a[i]) * t) for i in range(3))


def clamp8(v):
    return max(0, min(255, int(round(v))))


# --------------------------------------------------------------------------------------------
# Rasterising

SUB = 4  # samples per pixel along each axis


def rasterise(width, height, shader):
    """Runs shader(u, v) -> (r, g, b) or None over a SUB x SUB grid in every pixel.

    u and v run from 0 to 1 across the picture, v downwards. Returns rows top-down of
    (mean, coverage, mode): the mean colour of the covered samples (smooth edges, for deep
    images), the number of covered samples, and the most frequent sample colour (crisp edges
    in exact shader colours, for 16-colour images). Colours are None where nothing is covered.
    """
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            acc = [0, 0, 0]
            n = 0
            votes = {}
            for sy in range(SUB):
                for sx in range(SUB):
                    u = (x + (sx + 0.5) / SUB) / width
                    v = (y + (sy + 0.5) / SUB) / height
                    c = shader(u, v)
                    if c is not None:
                        acc[0] += c[0]
                        acc[1] += c[1]
                        acc[2] += c[2]
                        n += 1
                        votes[c] = votes.get(c, 0) + 1
            if n:
                mean = tuple((a + n // 2) // n for a in acc)
                # Ties go to the smaller colour value so the choice never depends on order.
                mode = min(votes, key=lambda c: (-votes[c], c))
            else:
                mean = mode = None
            row.append((mean, n, mode))
        rows.append(row)
    return rows


# --------------------------------------------------------------------------------------------
# Icon 128: a blue shield carrying a white "T"

SHIELD_TOP = 0.05
SHIELD_SHOULDER = 0.52
SHIELD_TIP = 0.97
SHIELD_HALF = 0.43
SHIELD_CORNER = 0.10


def shield_half_width(v):
    if v < SHIELD_TOP or v > SHIELD_TIP:
        return -1.0
    if v <= SHIELD_SHOULDER:
        # Rounded upper corners.
        if v < SHIELD_TOP + SHIELD_CORNER:
            dy = SHIELD_TOP + SHIELD_CORNER - v
            return SHIELD_HALF - SHIELD_CORNER + math.sqrt(max(0.0, SHIELD_CORNER ** 2 - dy ** 2))
        return SHIELD_HALF
    t = (v - SHIELD_SHOULDER) / (SHIELD_TIP - SHIELD_SHOULDER)
    return SHIELD_HALF * math.cos(t * math.pi / 2)


def in_shield(u, v, shrink=0.0):
    # A shrunken shield for the border: pull the outline in by `shrink` on every side.
    if shrink:
        v0 = SHIELD_TOP + shrink
        v1 = SHIELD_TIP - shrink * 1.6
        if v < v0 or v > v1:
            return False
        vv = SHIELD_TOP + (v - v0) * (SHIELD_TIP - SHIELD_TOP) / (v1 - v0)
        return abs(u - 0.5) <= shield_half_width(vv) - shrink
    return abs(u - 0.5) <= shield_half_width(v)


def in_letter_t(u, v):
    bar = 0.25 <= u <= 0.75 and 0.22 <= v <= 0.36
    stem = 0.42 <= u <= 0.58 and 0.22 <= v <= 0.74
    return bar or stem


BORDER = (16, 42, 110)
FILL_TOP = (96, 164, 240)
FILL_BOTTOM = (22, 78, 184)
LETTER = (255, 255, 255)
HIGHLIGHT = 0.18

# The 16-colour images are drawn flat in exact palette colours: a gradient would only turn
# into blotches of grey and teal there.
FLAT_BORDER = (0, 0, 128)
FLAT_FILL = (0, 0, 255)


def main_icon_shader(border, flat):
    def shade(u, v):
        if not in_shield(u, v):
            return None
        if not in_shield(u, v, border):
            return FLAT_BORDER if flat else BORDER
        if in_letter_t(u, v):
            return LETTER
        if flat:
            return FLAT_FILL
        t = (v - SHIELD_TOP) / (SHIELD_TIP - SHIELD_TOP)
        c = mix(FILL_TOP, FILL_BOTTOM, round(t * 19) / 19)
        # A soft highlight on the upper left makes the face read as curved.
        if u < 0.5 and v < 0.5:
            c = mix(c, (255, 255, 255), HIGHLIGHT)
        return c
    return shade


# --------------------------------------------------------------------------------------------
# Icons 148 and 149: round badges, "connected" (green, check) and "disconnected" (red, bar)

def badge_shader(ring, face, mark):
    def shade(u, v):
        du, dv = u - 0.5, v - 0.5
        r = math.sqrt(du * du + dv * dv)
        if r > 0.47:
            return None
        if r > 0.39:
            return ring
        if mark(u, v):
            return (255, 255, 255)
        return face
    return shade


def check_mark(u, v):
    # Two strokes: (0.28,0.52)-(0.44,0.68) and (0.44,0.68)-(0.74,0.34).
    return (dist_to_segment(u, v, 0.28, 0.52, 0.44, 0.68) < 0.07 or
            dist_to_segment(u, v, 0.44, 0.68, 0.74, 0.34) < 0.07)


def bar_mark(u, v):
    return 0.24 <= u <= 0.76 and 0.42 <= v <= 0.58


def dist_to_segment(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)
    t = max(0.0, min(1.0, t))
    cx, cy = ax + t * dx, ay + t * dy
    return math.sqrt((px - cx) ** 2 + (py - cy) ** 2)


PAL256 = palette256()


# --------------------------------------------------------------------------------------------
# ICO writer: BITMAPINFOHEADER + palette + XOR bits + AND mask per image

def row_bytes(width, bpp):
    return ((width * bpp + 31) // 32) * 4


def encode_icon_image(pixels, size, bpp):
    """pixels: rows top-down of (rgb, coverage). Returns the image bytes of one icon entry."""
    full = SUB * SUB
    if bpp == 4:
        palette = VGA16
    elif bpp == 8:
        palette = PAL256
    else:
        palette = None
    cache = {}

    xor_stride = row_bytes(size, bpp)
    and_stride = row_bytes(size, 1)
    xor = bytearray()
    mask = bytearray()
    for y in range(size - 1, -1, -1):  # DIBs are stored bottom-up
        xrow = bytearray(xor_stride)
        mrow = bytearray(and_stride)
        for x in range(size):
            mean, n, mode = pixels[y][x]
            rgb = mode if bpp == 4 else mean
            visible = n * 2 >= full
            if not visible:
                mrow[x // 8] |= 0x80 >> (x % 8)
                rgb = (0, 0, 0)  # transparent pixels are black in the colour bits
            if bpp == 24:
                xrow[x * 3:x * 3 + 3] = bytes((rgb[2], rgb[1], rgb[0]))
            else:
                idx = nearest(palette, rgb, cache)
                if bpp == 8:
                    xrow[x] = idx
                else:
                    if x % 2 == 0:
                        xrow[x // 2] |= idx << 4
                    else:
                        xrow[x // 2] |= idx
        xor += xrow
        mask += mrow

    header = struct.pack('<IiiHHIIiiII',
                         40, size, size * 2, 1, bpp, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    pal = b''
    if palette is not None:
        pal = b''.join(bytes((b, g, r, 0)) for (r, g, b) in palette)
    return header + pal + bytes(xor) + bytes(mask)


def write_ico(path, images):
    """images: list of (size, bpp, image_bytes)."""
    count = len(images)
    out = bytearray(struct.pack('<HHH', 0, 1, count))
    offset = 6 + 16 * count
    for size, bpp, data in images:
        colours = 16 if bpp == 4 else 0
        out += struct.pack('<BBBBHHII', size % 256, size % 256, colours, 0, 1, bpp,
                           len(data), offset)
        offset += len(data)
    for _, _, data in images:
        out += data
    with open(path, 'wb') as f:
        f.write(out)


def make_main_icon(path):
    images = []
    for size in (48, 32, 16):
        # Keep the border at least about one pixel wide whatever the size.
        border = max(0.06, 1.1 / size)
        flat = rasterise(size, size, main_icon_shader(border, True))
        shaded = rasterise(size, size, main_icon_shader(border, False))
        for bpp in (4, 8, 24):
            pixels = flat if bpp == 4 else shaded
            images.append((size, bpp, encode_icon_image(pixels, size, bpp)))
    write_ico(path, images)


def make_badge_icon(path, shader):
    images = []
    for size in (16, 32):
        pixels = rasterise(size, size, shader)
        images.append((size, 4, encode_icon_image(pixels, size, 4)))
    write_ico(path, images)


# --------------------------------------------------------------------------------------------
# Activity clip: a turning hand in a ring, with a dot stepping along underneath

AVI_W, AVI_H, AVI_FRAMES, AVI_FPS = 28, 50, 12, 6
AVI_BACKGROUND = (240, 240, 240)
RING = (22, 78, 184)
HAND = (16, 42, 110)
DOT_ON = (96, 164, 240)
DOT_OFF = (200, 200, 200)


def activity_shader(frame):
    angle = 2 * math.pi * frame / AVI_FRAMES  # one full turn per pass, clockwise
    cx, cy, radius = 14.0, 16.0, 11.5  # in pixels
    hx = cx + math.sin(angle) * (radius - 3.5)
    hy = cy - math.cos(angle) * (radius - 3.5)
    lit = (frame // 2) % 3

    def shade(u, v):
        x, y = u * AVI_W, v * AVI_H
        r = math.hypot(x - cx, y - cy)
        if radius - 1.6 <= r <= radius:
            return RING
        if dist_to_segment(x, y, cx, cy, hx, hy) <= 1.1:
            return HAND
        if r <= 1.8:
            return HAND
        for i in range(3):
            if math.hypot(x - (6.0 + 8.0 * i), y - 39.0) <= 2.6:
                return DOT_ON if i == lit else DOT_OFF
        return AVI_BACKGROUND
    return shade


def avi_frame(frame):
    pixels = rasterise(AVI_W, AVI_H, activity_shader(frame))
    stride = row_bytes(AVI_W, 24)
    out = bytearray()
    for y in range(AVI_H - 1, -1, -1):
        row = bytearray(stride)
        for x in range(AVI_W):
            r, g, b = pixels[y][x][0]  # the mean: smooth edges
            row[x * 3:x * 3 + 3] = bytes((b, g, r))
        out += row
    return bytes(out)


def chunk(fourcc, data):
    pad = b'\0' if len(data) % 2 else b''
    return fourcc + struct.pack('<I', len(data)) + data + pad


def riff_list(kind, fourcc, payload):
    return kind + struct.pack('<I', len(payload) + 4) + fourcc + payload


def make_avi(path):
    frames = [avi_frame(i) for i in range(AVI_FRAMES)]
    frame_size = len(frames[0])
    usec_per_frame = (1000000 + AVI_FPS // 2) // AVI_FPS  # 166667
    AVIF_HASINDEX = 0x10
    AVIIF_KEYFRAME = 0x10

    avih = struct.pack('<14I',
                       usec_per_frame,          # dwMicroSecPerFrame
                       frame_size * AVI_FPS,    # dwMaxBytesPerSec
                       0,                       # dwPaddingGranularity
                       AVIF_HASINDEX,           # dwFlags
                       AVI_FRAMES,              # dwTotalFrames
                       0,                       # dwInitialFrames
                       1,                       # dwStreams
                       frame_size,              # dwSuggestedBufferSize
                       AVI_W, AVI_H,            # dwWidth, dwHeight
                       0, 0, 0, 0)              # dwReserved
    strh = (b'vids' + b'DIB ' +
            struct.pack('<IHHIIIIIIIIhhhh',
                        0,               # dwFlags
                        0, 0,            # wPriority, wLanguage
                        0,               # dwInitialFrames
                        1, AVI_FPS,      # dwScale, dwRate: 6 frames per second
                        0,               # dwStart
                        AVI_FRAMES,      # dwLength
                        frame_size,      # dwSuggestedBufferSize
                        0xFFFFFFFF,      # dwQuality: default
                        0,               # dwSampleSize: frames vary in principle
                        0, 0, AVI_W, AVI_H))  # rcFrame
    strf = struct.pack('<IiiHHIIiiII', 40, AVI_W, AVI_H, 1, 24, 0, frame_size, 0, 0, 0, 0)

    strl = riff_list(b'LIST', b'strl', chunk(b'strh', strh) + chunk(b'strf', strf))
    hdrl = riff_list(b'LIST', b'hdrl', chunk(b'avih', avih) + strl)

    movi_payload = bytearray()
    index = bytearray()
    for data in frames:
        # Index offsets count from the 'movi' type code, so the first chunk is at 4.
        offset = 4 + len(movi_payload)
        movi_payload += chunk(b'00db', data)
        index += b'00db' + struct.pack('<III', AVIIF_KEYFRAME, offset, len(data))
    movi = riff_list(b'LIST', b'movi', bytes(movi_payload))

    body = hdrl + movi + chunk(b'idx1', bytes(index))
    with open(path, 'wb') as f:
        f.write(riff_list(b'RIFF', b'AVI ', body))


# --------------------------------------------------------------------------------------------

def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, '..', 'ui', 'resources', 'res')
    os.makedirs(out_dir, exist_ok=True)
    make_main_icon(os.path.join(out_dir, 'TolvexDesktopWin.ico'))
    make_badge_icon(os.path.join(out_dir, 'icon148.ico'),
                    badge_shader((0, 0, 0), (0, 128, 0), check_mark))
    make_badge_icon(os.path.join(out_dir, 'icon149.ico'),
                    badge_shader((128, 0, 0), (210, 40, 40), bar_mark))
    make_avi(os.path.join(out_dir, 'activity.avi'))


if __name__ == '__main__':
    main()
