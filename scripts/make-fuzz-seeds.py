#!/usr/bin/python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/: small pictures of
every kind the decoders handle, made with Pillow, cjpeg, heif-enc and tiffcp from pictures
drawn here, and short texts for the text targets. Run it again only to change the seeds."""
import io
import os
import shutil
import struct
import subprocess
import tempfile

from PIL import Image, ImageCms, ImageDraw

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fuzz", "corpus")
TMP = tempfile.mkdtemp()


def put(target, name, data):
    folder = os.path.join(ROOT, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def picture(width=16, height=12, mode="RGB"):
    """Red to blue across, a green bar: every channel changes, so that a swap shows."""
    im = Image.new("RGB", (width, height))
    for x in range(width):
        for y in range(height):
            im.putpixel((x, y), (255 * x // max(1, width - 1), 40, 255 * y // max(1, height - 1)))
    ImageDraw.Draw(im).rectangle([width // 3, 0, width // 2, height - 1], fill=(0, 200, 0))
    if mode == "RGBA":
        im = im.convert("RGBA")
        im.putalpha(Image.linear_gradient("L").resize((width, height)))
    elif mode != "RGB":
        im = im.convert(mode)
    return im


def saved(im, fmt, **options):
    out = io.BytesIO()
    im.save(out, fmt, **options)
    return out.getvalue()


def tool(command, data_in, suffix_in, suffix_out):
    source = os.path.join(TMP, "in" + suffix_in)
    dest = os.path.join(TMP, "out" + suffix_out)
    with open(source, "wb") as f:
        f.write(data_in)
    subprocess.run([a.replace("IN", source).replace("OUT", dest) for a in command], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with open(dest, "rb") as f:
        return f.read()


def bmp(width, height, bits, pixels, palette=b"", compression=0, masks=b"", top_down=False):
    header_size = 40 + len(masks)
    offset = 14 + header_size + len(palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1, bits,
                       compression, len(pixels), 2835, 2835, len(palette) // 4, 0)
    return (b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info + masks +
            palette + pixels)


def rows(width, height, row_bytes):
    stride = (row_bytes(width) + 3) & ~3
    return b"".join(bytes(row_bytes(width)).ljust(stride, b"\0") for _ in range(height))


def bmp_seeds():
    t = "DecodeBmp"
    put(t, "rgb24.bmp", saved(picture(), "BMP"))
    put(t, "palette8.bmp", saved(picture(mode="P"), "BMP"))
    put(t, "mono1.bmp", saved(picture(mode="1"), "BMP"))
    put(t, "rgba32.bmp", saved(picture(mode="RGBA"), "BMP"))
    grey16 = b"".join(struct.pack("<BBBB", i * 16, i * 16, i * 16, 0) for i in range(16))
    nibbles = b"".join(bytes([(x % 16) * 16 + (x + 1) % 16 for x in range(4)]) for _ in range(6))
    put(t, "palette4.bmp", bmp(8, 6, 4, nibbles, grey16))
    # Run-length coded: runs, an absolute run, a move, end of line and end of bitmap.
    rle8 = (bytes([4, 1, 0, 3, 2, 3, 4, 0, 0, 0]) + bytes([2, 5, 0, 2, 1, 1, 2, 6, 0, 0]) +
            bytes([8, 7, 0, 1]))
    put(t, "rle8.bmp", bmp(8, 4, 8, rle8, grey16 * 16, compression=1))
    rle4 = bytes([6, 0x12, 0, 0, 0, 4, 0x34, 0x56, 4, 0x77, 0, 0, 0, 1])
    put(t, "rle4.bmp", bmp(8, 4, 4, rle4, grey16, compression=2))
    rgb565 = b"".join(struct.pack("<H", (x * 2 << 11) | (y * 4 << 5) | x)
                      for y in range(6) for x in range(8))
    put(t, "bitfields565.bmp",
        bmp(8, 6, 16, rgb565, compression=3, masks=struct.pack("<III", 0xF800, 0x07E0, 0x001F)))
    put(t, "rgb555-top-down.bmp",
        bmp(8, 6, 16, rows(8, 6, lambda w: 2 * w).replace(b"\0", b"\x1f"), top_down=True))


def gif_seeds():
    t = "DecodeGif"
    plain = saved(picture(mode="P"), "GIF")
    put(t, "plain.gif", plain)
    put(t, "interlaced.gif", saved(picture(mode="P"), "GIF", interlace=True))
    put(t, "transparent.gif", saved(picture(mode="P"), "GIF", transparency=3))
    frames = [picture(mode="P"), picture(mode="P").transpose(Image.Transpose.ROTATE_180)]
    put(t, "two-frames.gif", saved(frames[0], "GIF", save_all=True, append_images=frames[1:]))
    # A screen larger than its one image: the rest is white.
    screen = bytearray(plain)
    screen[6:10] = struct.pack("<HH", 24, 20)
    put(t, "image-smaller-than-screen.gif", bytes(screen))


def jpeg_seeds():
    t = "DecodeJpeg"
    rgb = picture(24, 16)
    put(t, "baseline.jpg", saved(rgb, "JPEG", quality=80))
    put(t, "progressive.jpg", saved(rgb, "JPEG", quality=80, progressive=True))
    put(t, "grey.jpg", saved(rgb.convert("L"), "JPEG"))
    put(t, "cmyk.jpg", saved(rgb.convert("CMYK"), "JPEG"))
    put(t, "subsampling-444.jpg", saved(rgb, "JPEG", subsampling=0))
    exif = Image.Exif()
    exif[0x0112] = 6
    put(t, "orientation-6.jpg", saved(rgb, "JPEG", exif=exif.tobytes()))
    srgb = ImageCms.ImageCmsProfile(ImageCms.createProfile("sRGB")).tobytes()
    put(t, "icc-profile.jpg", saved(rgb, "JPEG", icc_profile=srgb))
    ppm = saved(rgb, "PPM")
    put(t, "restart-intervals.jpg", tool(["cjpeg", "-restart", "1", "-outfile", "OUT", "IN"],
                                         ppm, ".ppm", ".jpg"))
    put(t, "arithmetic.jpg", tool(["cjpeg", "-arithmetic", "-outfile", "OUT", "IN"], ppm, ".ppm",
                                  ".jpg"))


def png_seeds():
    t = "DecodePng"
    put(t, "rgb.png", saved(picture(), "PNG"))
    put(t, "rgba.png", saved(picture(mode="RGBA"), "PNG"))
    put(t, "palette-transparent.png", saved(picture(mode="P"), "PNG", transparency=2))
    put(t, "grey-alpha.png", saved(picture(mode="RGBA").convert("LA"), "PNG"))
    put(t, "grey16.png", saved(picture().convert("L").convert("I").point(lambda v: v * 257)
                                .convert("I;16"), "PNG"))
    put(t, "mono1.png", saved(picture(mode="1"), "PNG"))
    srgb = ImageCms.ImageCmsProfile(ImageCms.createProfile("sRGB")).tobytes()
    put(t, "icc-profile.png", saved(picture(), "PNG", icc_profile=srgb))


def heif_seeds():
    t = "DecodeHeif"
    png = saved(picture(32, 24), "PNG")
    put(t, "photo.heic", tool(["heif-enc", "-q", "30", "-o", "OUT", "IN"], png, ".png", ".heic"))
    put(t, "photo.avif", tool(["heif-enc", "-A", "-q", "30", "-o", "OUT", "IN"], png, ".png",
                              ".avif"))
    put(t, "alpha.heic", tool(["heif-enc", "-q", "30", "-o", "OUT", "IN"],
                              saved(picture(32, 24, "RGBA"), "PNG"), ".png", ".heic"))
    put(t, "thumbnail.heic", tool(["heif-enc", "-q", "30", "-t", "16", "-o", "OUT", "IN"], png,
                                  ".png", ".heic"))


def webp_seeds():
    t = "DecodeWebp"
    put(t, "lossy.webp", saved(picture(), "WEBP", quality=50))
    put(t, "lossless.webp", saved(picture(), "WEBP", lossless=True))
    put(t, "alpha.webp", saved(picture(mode="RGBA"), "WEBP", quality=50))
    srgb = ImageCms.ImageCmsProfile(ImageCms.createProfile("sRGB")).tobytes()
    put(t, "icc-profile.webp", saved(picture(), "WEBP", quality=50, icc_profile=srgb))
    frames = [picture(), picture().transpose(Image.Transpose.ROTATE_180)]
    put(t, "animation.webp", saved(frames[0], "WEBP", save_all=True, append_images=frames[1:],
                                   quality=50))


def tiff_seeds():
    t = "DecodeTiff"
    rgb = picture()
    put(t, "none.tif", saved(rgb, "TIFF"))
    put(t, "lzw.tif", saved(rgb, "TIFF", compression="tiff_lzw"))
    put(t, "packbits-grey.tif", saved(rgb.convert("L"), "TIFF", compression="packbits"))
    put(t, "deflate-rgba.tif", saved(picture(mode="RGBA"), "TIFF", compression="tiff_adobe_deflate"))
    put(t, "jpeg.tif", saved(picture(32, 16), "TIFF", compression="jpeg"))
    put(t, "palette.tif", saved(picture(mode="P"), "TIFF"))
    put(t, "cmyk.tif", saved(rgb.convert("CMYK"), "TIFF"))
    put(t, "mono-g4.tif", saved(picture(mode="1"), "TIFF", compression="group4"))
    exif = Image.Exif()
    exif[0x0112] = 8
    put(t, "orientation-8.tif", saved(rgb, "TIFF", exif=exif))
    put(t, "tiled-lzw.tif", tool(["tiffcp", "-c", "lzw", "-t", "-w", "16", "-l", "16", "IN", "OUT"],
                                 saved(picture(24, 20), "TIFF"), ".tif", ".tif"))
    put(t, "two-pages.tif", saved(rgb, "TIFF", save_all=True, append_images=[rgb.convert("L")]))


def copy_seeds(target, names):
    for source_target, name in names:
        shutil.copy(os.path.join(ROOT, source_target, name), os.path.join(ROOT, target, name))


def picture_target_seeds():
    one_each = [("DecodeBmp", "rgb24.bmp"), ("DecodeBmp", "rle8.bmp"), ("DecodeGif", "plain.gif"),
                ("DecodeJpeg", "orientation-6.jpg"), ("DecodeJpeg", "cmyk.jpg"),
                ("DecodePng", "rgba.png"), ("DecodeHeif", "photo.heic"),
                ("DecodeHeif", "photo.avif"), ("DecodeWebp", "lossy.webp"),
                ("DecodeTiff", "lzw.tif")]
    for target in ("GetImageInfo", "ConvertImageStream", "LoadThumbnail"):
        os.makedirs(os.path.join(ROOT, target), exist_ok=True)
        copy_seeds(target, one_each)
    # A camera JPEG with its own small picture in the EXIF data.
    big = picture(160, 120)
    thumb = saved(picture(80, 60), "JPEG", quality=60)
    # IFD1 with JPEGInterchangeFormat and its length, after the one entry of IFD0.
    tiff = b"II*\x00" + struct.pack("<I", 8)
    ifd0 = struct.pack("<H", 1) + struct.pack("<HHII", 0x0112, 3, 1, 1)
    ifd1_at = 8 + len(ifd0) + 4
    ifd1 = struct.pack("<H", 2) + struct.pack("<HHII", 0x0201, 4, 1, ifd1_at + 2 + 24 + 4)
    ifd1 += struct.pack("<HHII", 0x0202, 4, 1, len(thumb)) + struct.pack("<I", 0)
    body = b"Exif\x00\x00" + tiff + ifd0 + struct.pack("<I", ifd1_at) + ifd1 + thumb
    segment = b"\xff\xe1" + struct.pack(">H", len(body) + 2) + body
    without_exif = saved(big, "JPEG", quality=60)
    put("LoadThumbnail", "exif-thumbnail.jpg", without_exif[:2] + segment + without_exif[2:])
    copy_seeds("LoadThumbnail", [("DecodeHeif", "thumbnail.heic")])


def text_seeds():
    put("IniDocument", "settings.ini",
        b"[Settings]\nImportmap=/home/anna/Foto's\nExportmap=/home/anna/Uit\nPhotodelay=3\n"
        b"Addlogo=1\nPassword=Ut2xTb6\n\n[640 x 480]\nFoto_breedte=640\nFoto_hoogte=480\n"
        b"Foto_kwaliteit=85\nFoto_achtergrondkleur=clWhite\n")
    put("IniDocument", "crlf-bom-duplicates.ini",
        b"\xef\xbb\xbf; opmerking\r\nvoor=sectie\r\n[Settings]\r\n  Fontsize = 0x10 \r\n"
        b"fontsize=12\r\n[settings]\r\nAddtext=-1\r\n[ Web ]\r\nFoto_breedte=$FF\r\ngeen is\r\n")
    put("IniDocument", "empty-names.ini", b"[]\n=\n[a]\n=waarde\nsleutel=\n[a]b]\nx=1")
    for key, plain in ((0, b"geheim wachtwoord"), (0x1234, b"\x00\xff\x80 \xc3\xa9"),
                       (0xFFFF, b"ab")):
        put("SettingsScramble", "key-%04x" % key, struct.pack("<H", key) + plain)
    put("NamePattern", "star-extension", b"IMG_1234.JPG\x00*.JPG")
    put("NamePattern", "question-utf8", "vakantie \u00e9t\u00e9 2.jpg\x00vakantie ?t? *.jpg".encode())
    put("NamePattern", "stars-backtrack", b"aaaaaaaaaaaaaaaaaaaab\x00*a*a*a*a*ab")
    put("ScriptPattern", "two-arguments", b"https://example.org/up.php?k=%s&f=%s\x00klant\x00a.jpg")
    put("ScriptPattern", "index-width-precision", b"%1:s|%-8.3s|%5s|%%|%0:S\x00een\x00twee")
    for name, counter, clock, flag, fields in (
            ("generate", 1, 1700000000, 1, [b"vak_", b"_klein", b".jpg", b"/foto's/IMG_1.JPG"]),
            ("no-extension", -5, 0, 0, [b"", b"", b"", b"naam"]),
            ("dots", 2**40, 4102444800, 1, [b"a.", b".b", b".jpeg.", b"map.d/naam.x.y"])):
        put("OutputNaming", name,
            struct.pack("<qqB", counter, clock, flag) + b"\x00".join(fields))


bmp_seeds()
gif_seeds()
jpeg_seeds()
png_seeds()
heif_seeds()
webp_seeds()
tiff_seeds()
picture_target_seeds()
text_seeds()
shutil.rmtree(TMP)
