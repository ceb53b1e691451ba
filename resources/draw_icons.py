# Draws the 16x16 images of the menus, the toolbar and the list as PNG files
# (pure Python, no imaging library). Run: python3 draw_icons.py icons
import struct, zlib, sys
out = sys.argv[1]
def png(path, px):
    raw = b''.join(b'\0' + b''.join(bytes(px[y][x]) for x in range(16)) for y in range(16))
    def chunk(t, d): return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
    data = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', 16, 16, 8, 6, 0, 0, 0)) + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b'')
    open(path, 'wb').write(data)
def canvas(): return [[(0,0,0,0)]*16 for _ in range(16)]
def rect(c, x0, y0, x1, y1, col):
    for y in range(y0, y1+1):
        for x in range(x0, x1+1): c[y][x] = col
def frame(c, x0, y0, x1, y1, col):
    for x in range(x0, x1+1): c[y0][x] = col; c[y1][x] = col
    for y in range(y0, y1+1): c[y][x0] = col; c[y][x1] = col
def line(c, x0, y0, x1, y1, col):
    n = max(abs(x1-x0), abs(y1-y0))
    for i in range(n+1):
        c[round(y0+(y1-y0)*i/n)][round(x0+(x1-x0)*i/n)] = col
K=(40,40,40,255); Y=(240,200,60,255); YD=(190,140,20,255); W=(255,255,255,255); G=(60,160,60,255)
R=(200,40,40,255); B=(40,90,200,255); GR=(150,150,150,255); BR=(150,110,60,255)
def doc(c):
    rect(c, 3, 1, 12, 14, W); frame(c, 3, 1, 12, 14, K)
    for y in (4, 6, 8, 10): line(c, 5, y, 10, y, GR)
# 0 open: a folder
c = canvas(); rect(c, 1, 4, 7, 5, YD); rect(c, 1, 5, 14, 13, Y); frame(c, 1, 5, 14, 13, YD); png(out+'/open.png', c)
# 1 exit: a door with an arrow
c = canvas(); rect(c, 2, 1, 9, 14, BR); frame(c, 2, 1, 9, 14, K); c[8][7] = Y
line(c, 10, 8, 15, 8, R); line(c, 13, 6, 15, 8, R); line(c, 13, 10, 15, 8, R); png(out+'/exit.png', c)
# 2 select all: list with ticks
c = canvas(); doc(c)
for y in (4, 8, 12): line(c, 0, y, 1, y+1, G); line(c, 1, y+1, 3, y-1, G)
png(out+'/selectall.png', c)
# 3 select none: list with empty boxes
c = canvas(); doc(c)
for y in (3, 7, 11): frame(c, 0, y, 2, y+2, GR)
png(out+'/selectnone.png', c)
# 4 extract: box with a green arrow out of it
c = canvas(); rect(c, 1, 9, 14, 14, Y); frame(c, 1, 9, 14, 14, YD)
rect(c, 7, 1, 8, 8, G); line(c, 4, 5, 7, 8, G); line(c, 11, 5, 8, 8, G); png(out+'/extract.png', c)
# 5 close: document with a red cross
c = canvas(); doc(c); line(c, 6, 6, 14, 14, R); line(c, 14, 6, 6, 14, R); line(c, 7, 6, 15, 14, R); line(c, 15, 6, 7, 14, R); png(out+'/close.png', c)
# 6 settings: a gear-like wheel
c = canvas()
for y in range(16):
    for x in range(16):
        d = ((x-7.5)**2 + (y-7.5)**2) ** 0.5
        if d <= 5.5 or (d <= 7.5 and (abs(x-7.5) < 1.6 or abs(y-7.5) < 1.6 or abs(abs(x-7.5)-abs(y-7.5)) < 1.2)): c[y][x] = GR
        if d <= 2.2: c[y][x] = (0,0,0,0)
png(out+'/settings.png', c)
# 7 info: blue disc with a white i
c = canvas()
for y in range(16):
    for x in range(16):
        if ((x-7.5)**2 + (y-7.5)**2) <= 7.6**2: c[y][x] = B
rect(c, 7, 3, 8, 4, W); rect(c, 7, 6, 8, 12, W); rect(c, 6, 12, 9, 12, W); png(out+'/info.png', c)
# 8 lock: a padlock, beside encrypted entries in the list
c = canvas(); frame(c, 5, 1, 10, 8, GR); frame(c, 6, 2, 9, 8, GR)
rect(c, 3, 7, 12, 14, Y); frame(c, 3, 7, 12, 14, YD); rect(c, 7, 9, 8, 12, K); png(out+'/lock.png', c)
