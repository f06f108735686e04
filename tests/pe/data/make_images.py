#!/usr/bin/env python3
# Writes the small bitmap and icon that sample.rc embeds.
import struct

def dib_header(width, height, bits, colors, image_size):
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 0, image_size, 2835, 2835, colors, 0)

# sample.bmp: 5x3, 24 bits per pixel, rows padded to 4 bytes (16 bytes per row).
rows = []
for y in range(3):
    row = b''.join(struct.pack('BBB', 10 * x, 20 * y, 200) for x in range(5))
    rows.append(row + b'\0' * (16 - len(row)))
bits = b''.join(rows)
dib = dib_header(5, 3, 24, 0, len(bits)) + bits
with open('sample.bmp', 'wb') as f:
    f.write(b'BM' + struct.pack('<IHHI', 14 + len(dib), 0, 0, 14 + 40) + dib)

# sample.ico: two 16x16 images, 4 bits with a 16-colour palette and 32 bits.
def icon_image(bits):
    palette = b''.join(struct.pack('BBBB', i * 16, 255 - i * 16, i * 8, 0) for i in range(16)) if bits == 4 else b''
    stride = ((16 * bits + 31) // 32) * 4
    xor = bytes((i * 7 + bits) & 0xFF for i in range(stride * 16))
    mask = b'\xff\xff\0\0' * 16
    return dib_header(16, 32, bits, 16 if bits == 4 else 0, len(xor) + len(mask)) + palette + xor + mask

images = [(4, icon_image(4)), (32, icon_image(32))]
offset = 6 + 16 * len(images)
directory = struct.pack('<HHH', 0, 1, len(images))
data = b''
for bits, image in images:
    directory += struct.pack('<BBBBHHII', 16, 16, 16 if bits == 4 else 0, 0, 1, bits, len(image), offset + len(data))
    data += image
with open('sample.ico', 'wb') as f:
    f.write(directory + data)
