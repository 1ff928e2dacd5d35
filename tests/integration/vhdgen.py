"""Writes dynamic and differencing VHD files, which qemu-img cannot make differencing: a footer
copy, the dynamic header, the block table, each written block (sector bitmap and data) and the
footer. Standard library only."""
import struct
import uuid


def footer_fields(path):
    """(disk size, unique id bytes, disk type) from the footer at the end of a VHD file."""
    with open(path, "rb") as f:
        f.seek(-512, 2)
        footer = f.read(512)
    assert footer[:8] == b"conectix", path
    return struct.unpack_from(">Q", footer, 48)[0], footer[68:84], struct.unpack_from(">I", footer, 60)[0]


def write_vhd(path, disk_bytes, sectors, block_bytes=1 << 20, parent=None, unique_id=None):
    """Writes a dynamic VHD, or a differencing one when parent is (parent's unique id, recorded
    name). sectors maps a sector number to its 512 bytes; only blocks holding one are allocated,
    and only those sectors' bitmap bits are set. Returns the disk's unique id (16 bytes)."""
    uid = unique_id or uuid.uuid4().bytes
    per_block = block_bytes // 512
    bitmap_sectors = (per_block // 8 + 511) // 512
    entries = (disk_bytes + block_bytes - 1) // block_bytes
    table_at = 1536
    data_at = table_at + (entries * 4 + 511) // 512 * 512
    table = [0xFFFFFFFF] * entries
    blocks = {}
    for s in sorted(sectors):
        b = s // per_block
        if b not in blocks:
            table[b] = (data_at + len(blocks) * (bitmap_sectors + per_block) * 512) // 512
            blocks[b] = bytearray((bitmap_sectors + per_block) * 512)
        k = s % per_block
        blocks[b][k // 8] |= 0x80 >> (k % 8)
        blocks[b][(bitmap_sectors + k) * 512:(bitmap_sectors + k + 1) * 512] = sectors[s]

    footer = bytearray(512)
    footer[0:8] = b"conectix"
    struct.pack_into(">IIQ", footer, 8, 2, 0x00010000, 512)
    struct.pack_into(">QQ", footer, 40, disk_bytes, disk_bytes)
    struct.pack_into(">I", footer, 60, 4 if parent else 3)
    footer[28:32] = b"win "
    footer[68:84] = uid
    struct.pack_into(">I", footer, 64, (~sum(footer)) & 0xFFFFFFFF)

    header = bytearray(1024)
    header[0:8] = b"cxsparse"
    struct.pack_into(">QQIII", header, 8, 0xFFFFFFFFFFFFFFFF, table_at, 0x00010000, entries,
                     block_bytes)
    if parent:
        header[40:56] = parent[0]
        name = parent[1].encode("utf-16-be")[:512]
        header[64:64 + len(name)] = name
    struct.pack_into(">I", header, 36, (~sum(header)) & 0xFFFFFFFF)

    with open(path, "wb") as f:
        f.write(footer)
        f.write(header)
        f.write(b"".join(struct.pack(">I", e) for e in table).ljust(data_at - table_at, b"\0"))
        for b in sorted(blocks, key=lambda b: table[b]):
            f.write(blocks[b])
        f.write(footer)
    return uid
