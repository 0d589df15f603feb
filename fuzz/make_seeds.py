#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target into fuzz/corpus/<target>/.

Each seed is a small input of our own: sound examples of each format, and the hostile inputs
that once broke a reader (kept so that the replay under the sanitizers guards against their
return). Run it again after adding a seed here; the files are committed.
"""
import os
import plistlib
import struct
import subprocess
import tempfile
import zlib

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def write(target, name, data):
    folder = os.path.join(ROOT, target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("utf-8", "surrogatepass")
    with open(os.path.join(folder, name), "wb") as out:
        out.write(data)


# ---- Property lists ----

def binary_arrays(children):
    """A binary property list of arrays: object i refers to children[i]."""
    ref_size = 1 if len(children) <= 0xFF else 2 if len(children) <= 0xFFFF else 4
    data = bytearray(b"bplist00")
    offsets = []
    for refs in children:
        offsets.append(len(data))
        if len(refs) < 15:
            data += bytes([0xA0 | len(refs)])
        else:
            data += bytes([0xAF, 0x12]) + struct.pack(">I", len(refs))
        for ref in refs:
            data += ref.to_bytes(ref_size, "big")
    table = len(data)
    offset_size = 1 if table <= 0xFF else 2 if table <= 0xFFFF else 4
    for offset in offsets:
        data += offset.to_bytes(offset_size, "big")
    data += bytes(6) + bytes([offset_size, ref_size]) + struct.pack(">QQQ", len(children), 0, table)
    return bytes(data)


def shared_chain(levels):
    """The top refers to every link of a chain from the bottom up: a shallow walk, a deep tree."""
    objects = [[] for _ in range(levels + 1)]
    objects[0] = list(range(levels, 0, -1))
    for link in range(1, levels):
        objects[link] = [link + 1]
    return objects


def property_lists():
    sample = {
        "Version": "3.0.0", "negative": -42, "real": 0.1, "yes": True, "data": b"\x00\x01\xff",
        "nested": [{"a": [1, 2.5, "three"]}, []], "Größe": "naïve <&> 😀",
        "uid": plistlib.UID(12),
    }
    write("property_list", "sample.bplist", plistlib.dumps(sample, fmt=plistlib.FMT_BINARY))
    del sample["uid"]  # the XML form has no UID of its own
    write("property_list", "sample.xml", plistlib.dumps(sample, fmt=plistlib.FMT_XML))
    write("property_list", "shared-chain-512.bplist", binary_arrays(shared_chain(512)))
    write("property_list", "shared-chain-23000.bplist", binary_arrays(shared_chain(23000)))
    write("property_list", "lattice-2-40.bplist", binary_arrays([[i + 1, i + 1] for i in range(40)] + [[]]))
    write("property_list", "self-reference.bplist", binary_arrays([[0]]))
    write("property_list", "deep.xml", "<plist>" + "<array>" * 2000 + "</array>" * 2000 + "</plist>")
    write("property_list", "ill-formed-utf8.xml",
          b"<plist><dict><key>k\xc0</key><string>a\xff\xed\xa0\x80</string></dict></plist>")
    write("property_list", "non-characters.xml",
          "<plist><array><string>&#xFFFE;&#xFFFF;\uFFFD</string><string>&#1;&#0;</string></array></plist>")
    write("property_list", "nul-in-string.bplist", plistlib.dumps(["a\0b", "\u00e4\0"], fmt=plistlib.FMT_BINARY))
    nul_key = bytearray(plistlib.dumps({"kx": 1}, fmt=plistlib.FMT_BINARY))
    nul_key[nul_key.index(b"kx") + 1] = 0
    write("property_list", "nul-in-key.bplist", bytes(nul_key))


# ---- Keyed archives ----

def color_archive(components, space=1, key="NSRGB"):
    objects = ["$null", {"NSColorSpace": space, key: components, "$class": plistlib.UID(2)},
               {"$classname": "NSColor", "$classes": ["NSColor", "NSObject"]}]
    return {"$archiver": "NSKeyedArchiver", "$version": 100000, "$top": {"root": plistlib.UID(1)},
            "$objects": objects}


def keyed_archives():
    write("keyed_archive", "rgb.bplist", plistlib.dumps(color_archive(b"0.25 0.5 0.75 0.5\0"),
                                                         fmt=plistlib.FMT_BINARY))
    write("keyed_archive", "white.bplist", plistlib.dumps(color_archive(b"0.5\0", 3, "NSWhite"),
                                                           fmt=plistlib.FMT_BINARY))
    write("keyed_archive", "cmyk.bplist", plistlib.dumps(color_archive(b"0 1 0 0\0", 5, "NSCMYK"),
                                                          fmt=plistlib.FMT_BINARY))
    write("keyed_archive", "nan-components.bplist", plistlib.dumps(color_archive(b"nan inf -inf\0"),
                                                                    fmt=plistlib.FMT_BINARY))
    looping = color_archive(b"0 0 0\0")
    looping["$top"]["root"] = plistlib.UID(7)
    write("keyed_archive", "root-out-of-range.bplist", plistlib.dumps(looping, fmt=plistlib.FMT_BINARY))
    write("keyed_archive", "shared-chain-23000.bplist", binary_arrays(shared_chain(23000)))


# ---- Typedstream ----

class TypedStream:
    def __init__(self):
        self.data = bytearray([0x04, 0x0B]) + b"streamtyped" + bytes([0x81]) + struct.pack("<H", 1000)

    def raw(self, *values):
        self.data += bytes(values)
        return self

    def new_string(self, text):
        text = text.encode()
        if len(text) < 128:
            self.data += bytes([0x84, len(text)]) + text
        else:
            self.data += bytes([0x84, 0x82]) + struct.pack("<I", len(text)) + text
        return self

    def real(self, value):
        self.data += bytes([0x83]) + struct.pack("<f", value)
        return self

    def color_object_start(self):
        self.new_string("@").raw(0x84, 0x84).new_string("NSColor").raw(0x00, 0x84)
        return self.new_string("NSObject").raw(0x00, 0x85)


def typed_streams():
    rgb = TypedStream().color_object_start()
    rgb.new_string("c").raw(0x01).new_string("ffff").real(0.25).real(0.5).real(0.75).real(1.0).raw(0x86)
    write("typed_stream", "rgb.typedstream", rgb.data)
    costly = TypedStream().color_object_start()
    costly.new_string("[60000" + "{}" * 20000 + "c]")
    costly.data += bytes([0x01]) * 60000 + bytes([0x86])
    write("typed_stream", "empty-structures.typedstream", costly.data)
    far = TypedStream().raw(0x87, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F)
    write("typed_stream", "reference-at-the-top-of-the-range.typedstream", far.data)
    deep = TypedStream().color_object_start().new_string("[1" * 100 + "i" + "]" * 100).raw(0x01, 0x86)
    write("typed_stream", "deep-arrays.typedstream", deep.data)
    expanding = TypedStream().color_object_start().new_string("*").raw(0x84, 0x82)
    expanding.data += struct.pack("<I", 4096) + b"x" * 4096 + bytes([0x95, 0x96]) * 2000 + bytes([0x86])
    write("typed_stream", "shared-string-expansion.typedstream", expanding.data)


# ---- Images ----

def png(width, height, rows=None):
    def chunk(kind, payload):
        return struct.pack(">I", len(payload)) + kind + payload + struct.pack(">I", zlib.crc32(kind + payload))
    if rows is None:
        rows = b"".join(b"\x00" + b"\xff\x00\x00\xff" * width for _ in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


MINIMAL_PDF = b"""%PDF-1.4
1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj
2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj
3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 20 10] /Contents 4 0 R >> endobj
4 0 obj << /Length 26 >> stream
1 0 0 rg 0 0 10 10 re f
endstream endobj
trailer << /Root 1 0 R >>
%%EOF
"""


def images():
    write("image", "red-4x3.png", png(4, 3))
    write("image", "huge-header.png", png(100000, 100000, rows=b"\x00" * 16))
    write("image", "truncated.png", png(4, 3)[:40])
    write("image", "one-pixel.gif", bytes.fromhex(
        "474946383961010001008000" "00ffffff000000" "21f90401000000002c00000000010001000002024401003b"))
    write("image", "page.pdf", MINIMAL_PDF)
    write("image", "huge-page.pdf", MINIMAL_PDF.replace(b"[0 0 20 10]", b"[0 0 1e30 1e30]"))
    # JPEG and TIFF drawn by Ghostscript, when it is installed.
    with tempfile.TemporaryDirectory() as folder:
        source = os.path.join(folder, "page.ps")
        with open(source, "w") as out:
            out.write("<< /PageSize [8 6] >> setpagedevice 0 0 1 setrgbcolor 0 0 4 6 rectfill showpage\n")
        for device, name in (("jpeg", "page.jpg"), ("tiff24nc", "page.tiff")):
            target = os.path.join(folder, name)
            try:
                subprocess.run(["gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=" + device,
                                "-r72", "-sOutputFile=" + target, source], check=True)
                with open(target, "rb") as result:
                    write("image", name, result.read())
            except (OSError, subprocess.CalledProcessError):
                pass


# ---- Documents ----

def parameter(parameter_class, name, **values):
    record = {"Parameter class": parameter_class, "Parameter name": name}
    record.update(values)
    return record


def size(name, x, y):
    return parameter("MVParameterValue2D", name, ValueX=x, ValueY=y, **{"Aspect Locked": False})


def node(node_class, node_id, parameters, **extra):
    record = {"Node class": node_class, "Node id": node_id, "Node view origin": "{0, 0}",
              "Parameters": parameters}
    record.update(extra)
    return record


def connection(from_node, to_node, to_parameter):
    return {"From parameter name": "Graphics", "From parameter nodeId": from_node,
            "From parameter socket index": 0, "To parameter name": to_parameter,
            "To parameter nodeId": to_node, "To parameter socket index": 0}


def layer(number, display_name):
    return parameter("MVParameterGraphicsLayer", "OutputLayer%d" % number,
                     **{"Display Name": display_name, "Visible": True})


def artboard(*extra_parameters):
    return node("ArtboardNode", "1", [layer(1, "Top layer"), layer(2, "Middle layer"), size("Size", 200, 100)] +
                list(extra_parameters), **{"Layer Counter": 2})


def documents():
    shapes = {"Nodes": [artboard(),
                        node("ElementShapeNode", "2", [parameter("MVParameterIndex", "Type", Index=1),
                                                       size("Size", 80, 60), size("Position", 60, 50)]),
                        node("ElementLineNode", "3", [size("Size", 160, 0), size("Position", 100, 90)]),
                        node("NoteNode", "4", [parameter("MVParameterString", "Note", String="a note")])],
              "Connections": [connection("2", "1", "OutputLayer2"), connection("3", "1", "OutputLayer1")]}
    write("document", "shapes.xml", plistlib.dumps(shapes))
    write("document", "shapes.bplist", plistlib.dumps(shapes, fmt=plistlib.FMT_BINARY))
    # Names and texts XML cannot hold, which the export and the saved file must still carry.
    odd = {"Nodes": [artboard(),
                     node("ElementShapeNode", "2", [size("Size", 10, 10)], **{"Node name": "a-\x01-b\uFFFF"}),
                     node("NoteNode", "3", [parameter("MVParameterString", "Note", String="nul\0 \uFFFE \x07")])],
           "Connections": [connection("2", "1", "OutputLayer1")]}
    write("document", "characters-xml-cannot-hold.bplist", plistlib.dumps(odd, fmt=plistlib.FMT_BINARY))
    # Many nodes sharing one ID.
    duplicates = {"Nodes": [artboard()] + [node("ElementShapeNode", "2", [size("Size", 5, 5)]) for _ in range(300)],
                  "Connections": [connection("2", "1", "OutputLayer1")]}
    write("document", "duplicate-node-ids.bplist", plistlib.dumps(duplicates, fmt=plistlib.FMT_BINARY))
    # One long string referred to 300 times (the binary form stores it once), as an unknown class.
    long_name = "Unknown" + "x" * 65536
    repeated = {"Nodes": [artboard()] + [node(long_name, str(i + 2), []) for i in range(300)], "Connections": []}
    write("document", "one-long-string-300-times.bplist", plistlib.dumps(repeated, fmt=plistlib.FMT_BINARY))
    # A colour whose archive expands to a tree far deeper than any reader allows.
    deep = {"Nodes": [artboard(parameter("MVParameterColor", "Background Color", Enabled=True,
                                         Color=binary_arrays(shared_chain(23000))))], "Connections": []}
    write("document", "deep-colour.bplist", plistlib.dumps(deep, fmt=plistlib.FMT_BINARY))
    write("document", "huge-artboard.xml", plistlib.dumps({"Nodes": [
        node("ArtboardNode", "1", [layer(1, "Top"), size("Size", 1e12, 1e12)], **{"Layer Counter": 1}),
        node("ElementShapeNode", "2", [size("Size", 1e300, 1e300)])],
        "Connections": [connection("2", "1", "OutputLayer1")]}))


# ---- SVG export ----

class Program:
    """Input of the SVG export target: a choice byte, then the texts and bytes it asks for."""

    def __init__(self):
        self.data = bytearray()

    def text(self, value):
        value = value if isinstance(value, bytes) else value.encode("utf-8", "surrogatepass")
        if len(value) < 255:
            self.data += bytes([len(value)]) + value
        else:
            self.data += bytes([255]) + struct.pack(">H", len(value)) + value
        return self

    def square(self, parent, name, join=0):
        self.data += bytes([0x00 | parent])
        self.text(name)
        self.data += bytes([10, 2, join, 0])
        return self

    def group(self, parent, name, clipped=True):
        self.data += bytes([0x10 | parent])
        self.text(name)
        self.data += bytes([1 if clipped else 0])
        return self

    def image(self, parent, stored_name, stored_file, name):
        self.data += bytes([0x20 | parent])
        return self.text(stored_name).text(stored_file).text(name)

    def comment(self, parent, name):
        self.data += bytes([0x30 | parent])
        return self.text(name)


HOSTILE_SVG = {
    "single-quoted-id": "<svg xmlns='http://www.w3.org/2000/svg' id='top'><rect id='r'/></svg>",
    "entity-quote": "<!DOCTYPE svg [<!ENTITY q '\"'>]><svg xmlns='http://www.w3.org/2000/svg' class=\"a&q;b\"/>",
    "entity-chain": "<!DOCTYPE svg [<!ENTITY a 'x'><!ENTITY b '&a;&a;'>]>"
                    "<svg xmlns='http://www.w3.org/2000/svg'><text>&b;</text></svg>",
    "comment-before-root": "<!-- <svg width='1'> --><svg xmlns='http://www.w3.org/2000/svg'><rect/></svg>",
    "repeated-attribute": "<svg xmlns='http://www.w3.org/2000/svg' width='1' width='2'/>",
    "laughs": "<!DOCTYPE svg [<!ENTITY e0 'lol'>" + "".join(
        "<!ENTITY e%d '%s'>" % (level, ("&e%d;" % (level - 1)) * 10) for level in range(1, 11)) +
        "]><svg xmlns='http://www.w3.org/2000/svg'><text>&e10;</text></svg>",
    "control-references": "<svg xmlns='http://www.w3.org/2000/svg'><text>&#1;&#xFFFF;</text></svg>",
    "nested-svg": "<svg xmlns='http://www.w3.org/2000/svg'><svg id='inner'/><svg id='inner'/></svg>",
}


def svg_exports():
    names = Program()
    for name in ["Star", "Star", "Star-2", "a-\x01-b", "odd--name", "x\uFFFF", "trailing-", "Artboard background"]:
        names.square(0, name)
    names.data += bytes([0x00]) + bytes([3]) + b"\xff\xfe-" + bytes([10, 2, 1, 1])
    names.group(0, "Clipped").square(1, "Inside", 0).group(1, "Clipped").comment(2, "--->")
    write("svg_export", "names.bin", names.data)
    for label, file in HOSTILE_SVG.items():
        program = Program().image(0, "stored.svg", file, "Picture").image(0, "stored.svg", file, "Picture")
        write("svg_export", "stored-" + label + ".bin", program.data)
    symbols = Program().image(0, "a'b", "<svg xmlns='http://www.w3.org/2000/svg'/>", "ab")
    symbols.image(0, "ab", "<svg xmlns='http://www.w3.org/2000/svg'/>", "ab")
    write("svg_export", "symbol-names-that-meet.bin", symbols.data)


# ---- Vector paths (the SVG and EPS subset readers of file parameters) ----

EPS_HEADER = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 100 100\n%%EndComments\n"


def eps(body, prolog=""):
    return EPS_HEADER + prolog + "%%EndPageSetup\n" + body + "showpage\n%%EOF\n"


def vector_paths():
    write("vector_parser", "square.eps", eps("newpath 10 10 moveto 90 10 lineto 90 90 lineto 10 90 lineto closepath fill\n"))
    write("vector_parser", "aliases.eps", eps("n 0 0 m 50 0 l 50 50 25 75 0 50 c h f\n",
                                              "/n {newpath} bind def /m {moveto} bind def /l {lineto} bind def\n"
                                              "/c {curveto} bind def /h {closepath} bind def /f {fill} bind def\n"))
    write("vector_parser", "cairo-like.eps", eps("q 1 0 0 1 5 5 cm 0.5 g 0 0 40 20 re f Q\n"
                                                 "q 2 0 0 2 0 0 cm 1 0 0 rg 3 w 0 0 m 10 10 l S Q\n"))
    write("vector_parser", "nesting.eps", eps("q " * 300 + "0 0 m 1 1 l S " + "Q " * 300 + "\n"))
    write("vector_parser", "huge-numbers.eps", eps("1e308 1e308 moveto -1e308 1e308 lineto 1e999 0 lineto closepath fill\n"))
    write("vector_parser", "shapes.svg",
          "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 100 100'>"
          "<rect x='10' y='10' width='30' height='20' fill='#3a6'/>"
          "<circle cx='60' cy='60' r='15' stroke='red' stroke-width='2'/>"
          "<path d='M10 90 Q 30 60 50 90 T 90 90 A 10 20 30 1 0 70 70 z' fill-rule='evenodd'/>"
          "<g transform='translate(5 5) scale(2)'><polygon points='0,0 5,0 5,5'/></g></svg>")
    write("vector_parser", "huge-numbers.svg",
          "<svg xmlns='http://www.w3.org/2000/svg'><path d='M1e308 1e308 L-1e308 0 L 1e999 5 Z'/>"
          "<rect width='1e308' height='1e308' transform='scale(1e308)'/></svg>")


if __name__ == "__main__":
    property_lists()
    keyed_archives()
    typed_streams()
    images()
    documents()
    svg_exports()
    vector_paths()
