#!/usr/bin/env python3
"""Screenshots taken with `xwd -root`: crop to a window's client area as PNG, and read pixels.

  xwd_tools.py crop SHOT.xwd LEFT TOP WIDTH HEIGHT OUT.png
  xwd_tools.py pixel SHOT.xwd LEFT TOP X Y [X Y ...]

LEFT and TOP are the client area's origin in screen pixels; `pixel` takes client pixels and prints
one "R G B" line per point ("- - -" for a point outside the image). Only ZPixmap images of 24 or
32 bits per pixel with true-colour masks are read, which is what Xvfb at depth 24 gives.
"""
import struct
import sys
import zlib

XWD_HEADER_FIELDS = 25
ZPIXMAP = 2
LSB_FIRST = 0


class XwdError(Exception):
    pass


def _mask_shift(mask):
    if mask == 0:
        raise XwdError("a colour mask is zero")
    shift = 0
    while not (mask >> shift) & 1:
        shift += 1
    return shift, mask >> shift


class XwdImage:
    def __init__(self, path):
        with open(path, "rb") as f:
            data = f.read()
        if len(data) < XWD_HEADER_FIELDS * 4:
            raise XwdError("too short for an XWD header")
        fields = struct.unpack(">25I", data[: XWD_HEADER_FIELDS * 4])
        (header_size, version, pixmap_format, _depth, width, height, _xoffset, byte_order, _unit,
         _bit_order, _pad, bits_per_pixel, bytes_per_line, _visual_class, red_mask, green_mask,
         blue_mask, _bits_per_rgb, _colormap_entries, ncolors) = fields[:20]
        if version != 7:
            raise XwdError("XWD version %d, expected 7" % version)
        if pixmap_format != ZPIXMAP:
            raise XwdError("pixmap format %d, expected ZPixmap" % pixmap_format)
        if bits_per_pixel not in (24, 32):
            raise XwdError("%d bits per pixel, expected 24 or 32" % bits_per_pixel)
        self.width = width
        self.height = height
        self.bytes_per_pixel = bits_per_pixel // 8
        self.bytes_per_line = bytes_per_line
        self.little_endian = byte_order == LSB_FIRST
        self.masks = [_mask_shift(m) for m in (red_mask, green_mask, blue_mask)]
        self.offset = header_size + ncolors * 12  # the colour map entries are 12 bytes each
        self.data = data
        if len(data) < self.offset + bytes_per_line * height:
            raise XwdError("the image data is cut short")

    def _value(self, raw):
        return int.from_bytes(raw, "little" if self.little_endian else "big")

    def pixel(self, x, y):
        if not (0 <= x < self.width and 0 <= y < self.height):
            return None
        at = self.offset + y * self.bytes_per_line + x * self.bytes_per_pixel
        value = self._value(self.data[at: at + self.bytes_per_pixel])
        return tuple(((value >> shift) & bits) * 255 // bits for shift, bits in self.masks)

    def _byte_lanes(self):
        """The byte index of red, green and blue within a pixel, when each is a whole byte."""
        lanes = []
        for shift, bits in self.masks:
            if bits != 0xFF or shift % 8:
                return None
            byte = shift // 8
            lanes.append(byte if self.little_endian else self.bytes_per_pixel - 1 - byte)
        return lanes

    def rgb_rows(self, left, top, width, height):
        """Rows of packed RGB bytes for the rectangle, clipped to the image; black outside it."""
        lanes = self._byte_lanes()
        step = self.bytes_per_pixel
        for y in range(top, top + height):
            row = bytearray(width * 3)
            if 0 <= y < self.height:
                x0, x1 = max(left, 0), min(left + width, self.width)
                if x0 < x1:
                    start = self.offset + y * self.bytes_per_line
                    src = self.data[start + x0 * step: start + x1 * step]
                    out = (x0 - left) * 3
                    count = x1 - x0
                    if lanes:
                        part = bytearray(count * 3)
                        for channel, lane in enumerate(lanes):
                            part[channel::3] = src[lane::step]
                        row[out: out + count * 3] = part
                    else:
                        for i in range(count):
                            r, g, b = self.pixel(x0 + i, y)
                            row[out + i * 3: out + i * 3 + 3] = bytes((r, g, b))
            yield bytes(row)


def _png_chunk(kind, payload):
    body = kind + payload
    return struct.pack(">I", len(payload)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def write_png(path, width, height, rows):
    raw = b"".join(b"\x00" + row for row in rows)  # filter type 0 on every row
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)  # 8-bit RGB, not interlaced
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(_png_chunk(b"IHDR", header))
        f.write(_png_chunk(b"IDAT", zlib.compress(raw, 6)))
        f.write(_png_chunk(b"IEND", b""))


def main(argv):
    if len(argv) >= 8 and argv[1] == "crop":
        image = XwdImage(argv[2])
        left, top, width, height = (int(v) for v in argv[3:7])
        if width <= 0 or height <= 0:
            raise XwdError("empty crop rectangle")
        write_png(argv[7], width, height, image.rgb_rows(left, top, width, height))
        return 0
    if len(argv) >= 7 and argv[1] == "pixel" and len(argv) % 2 == 1:
        image = XwdImage(argv[2])
        left, top = int(argv[3]), int(argv[4])
        points = [int(v) for v in argv[5:]]
        for x, y in zip(points[0::2], points[1::2]):
            colour = image.pixel(left + x, top + y)
            print("- - -" if colour is None else "%d %d %d" % colour)
        return 0
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv))
    except (OSError, ValueError, XwdError) as error:
        sys.stderr.write("xwd_tools: %s\n" % error)
        sys.exit(1)
