# Draws the program icon (a yellow archive box closed by a zipper) in the
# icon theme's sizes as appicon/valbrix-SIZE.png, pure Python, anti-aliased
# by sampling each pixel on a grid. Run: python3 draw_app_icon.py appicon
import struct, sys, zlib

SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
BODY, EDGE, TAB = (240, 200, 60), (170, 120, 20), (225, 175, 40)
ZIP, TEETH, PULL = (70, 70, 70), (150, 150, 150), (200, 40, 40)

def rounded(u, v, x0, y0, x1, y1, r):
    if not (x0 <= u <= x1 and y0 <= v <= y1):
        return False
    cx = min(max(u, x0 + r), x1 - r)
    cy = min(max(v, y0 + r), y1 - r)
    return (u - cx) ** 2 + (v - cy) ** 2 <= r * r

def colour(u, v):
    """The colour at (u, v) in the unit square, or None for transparent."""
    if rounded(u, v, 0.42, 0.60, 0.58, 0.82, 0.04):
        return PULL                                      # the zipper's pull
    if 0.44 <= u <= 0.56 and 0.22 <= v <= 0.66:
        # teeth alternate left and right of the track
        tooth = int((v - 0.22) / 0.055)
        left = tooth % 2 == 0
        if 0.485 <= u <= 0.515 or (left and u < 0.5) or (not left and u > 0.5):
            return ZIP if 0.485 <= u <= 0.515 else TEETH
    if rounded(u, v, 0.06, 0.20, 0.94, 0.92, 0.08):
        inner = rounded(u, v, 0.10, 0.24, 0.90, 0.88, 0.05)
        return BODY if inner else EDGE
    if rounded(u, v, 0.10, 0.10, 0.46, 0.26, 0.05):
        return TAB                                       # the lid's tab
    return None

def draw(size, grid):
    rows = []
    for y in range(size):
        row = bytearray(b'\0')
        for x in range(size):
            r = g = b = a = 0
            for sy in range(grid):
                for sx in range(grid):
                    c = colour((x + (sx + 0.5) / grid) / size, (y + (sy + 0.5) / grid) / size)
                    if c:
                        r += c[0]; g += c[1]; b += c[2]; a += 1
            n = grid * grid
            row += bytes((r // a, g // a, b // a, 255 * a // n) if a else (0, 0, 0, 0))
        rows.append(bytes(row))
    return b''.join(rows)

def png(path, size, raw):
    def chunk(t, d): return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
    with open(path, 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0))
                + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))

out = sys.argv[1]
for size in SIZES:
    png('%s/valbrix-%d.png' % (out, size), size, draw(size, 4 if size >= 64 else 8))
