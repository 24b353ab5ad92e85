#!/usr/bin/env python3
"""Writes a looping animated GIF from raw RGBA frames, in the plainest form:
one global colour table, the same transparent index in every frame, a graphic
control block right before each image, and no private extensions. (ImageMagick 6
adds an extension of its own between the two and a colour table per frame, which
some GIF decoders misread: they then lose the frames' delays and transparency.)

    write_gif.py OUT WIDTH HEIGHT DELAY_CS FRAME.rgba...

Fully transparent pixels become the transparent index; every other pixel is taken
as opaque. At most 255 opaque colours over all frames."""
import struct
import sys


def lzw(indices, min_code_size):
    """GIF's variable-length LZW, packed into sub-blocks of at most 255 bytes."""
    clear = 1 << min_code_size
    end = clear + 1
    out = bytearray()
    bits = 0
    nbits = 0

    def emit(code, size):
        nonlocal bits, nbits
        bits |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8

    def reset():
        return {bytes([i]): i for i in range(clear)}, end + 1, min_code_size + 1

    table, next_code, size = reset()
    emit(clear, size)
    current = b""
    for index in indices:
        candidate = current + bytes([index])
        if candidate in table:
            current = candidate
            continue
        emit(table[current], size)
        if next_code < 4096:
            table[candidate] = next_code
            next_code += 1
            if next_code > (1 << size) and size < 12:
                size += 1
        else:
            emit(clear, size)
            table, next_code, size = reset()
        current = bytes([index])
    if current:
        emit(table[current], size)
    emit(end, size)
    if nbits:
        out.append(bits & 0xFF)
    blocks = bytearray()
    for at in range(0, len(out), 255):
        chunk = out[at:at + 255]
        blocks.append(len(chunk))
        blocks += chunk
    blocks.append(0)
    return bytes(blocks)


def main():
    out, width, height, delay = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
    frames = []
    for path in sys.argv[5:]:
        data = open(path, "rb").read()
        if len(data) != width * height * 4:
            sys.exit(f"{path}: not {width}x{height} RGBA")
        frames.append(data)

    transparent = 0
    palette = {}
    for data in frames:
        for at in range(0, len(data), 4):
            if data[at + 3] != 0:
                palette.setdefault(data[at:at + 3], len(palette) + 1)
    if len(palette) > 255:
        sys.exit(f"{len(palette)} colours; at most 255 fit")
    table = bytearray(3 * 256)
    for rgb, index in palette.items():
        table[3 * index:3 * index + 3] = rgb

    gif = bytearray(b"GIF89a")
    gif += struct.pack("<HHBBB", width, height, 0x80 | 0x70 | 7, transparent, 0)
    gif += table
    gif += b"\x21\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00"  # loop forever
    for data in frames:
        indices = bytes(0 if data[at + 3] == 0 else palette[data[at:at + 3]]
                        for at in range(0, len(data), 4))
        # Disposal 2 (back to background, i.e. transparent), transparency on.
        gif += b"\x21\xf9\x04" + struct.pack("<BHB", (2 << 2) | 1, delay, transparent) + b"\x00"
        gif += b"\x2c" + struct.pack("<HHHHB", 0, 0, width, height, 0)
        gif.append(8)
        gif += lzw(indices, 8)
    gif.append(0x3B)
    open(out, "wb").write(gif)


if __name__ == "__main__":
    main()
