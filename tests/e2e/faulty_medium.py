#!/usr/bin/python3
"""A medium with real faults for the end-to-end tests (drive F:, see
scripts/fixtures.sh). Wine's /dev/full and /dev/zero fail or lose every
sector alike; a real medium fails one sector and keeps the rest.

Serves one file, medium.img, with the bytes of BACKING_DIR/medium.img, and
fails the sectors (512 bytes) that BACKING_DIR/faults names, read at every
open: `unreadable unwritable dropsFrom`, -1 for none. A read or write touching
`unreadable` or `unwritable` fails with EIO; what a write puts at or past
`dropsFrom` is reported written and kept nowhere. direct_io brings every read
and write here as the program asked it, not as whole pages of the page cache.
Usage: faulty_medium.py BACKING_DIR MOUNTPOINT  (runs until unmounted)
"""
import errno
import os
import stat
import sys
from fusepy import FUSE, FuseOSError, Operations

SECTOR = 512
NAME = '/medium.img'


def touches(offset, size, sector):
    return sector >= 0 and offset < (sector + 1) * SECTOR and sector * SECTOR < offset + size


class FaultyMedium(Operations):
    use_ns = True  # keeps fusepy from warning; no times are set here

    def __init__(self, backing):
        self.image = os.path.join(backing, 'medium.img')
        self.faults_file = os.path.join(backing, 'faults')

    def getattr(self, path, fh=None):
        if path == '/':
            return {'st_mode': stat.S_IFDIR | 0o755, 'st_nlink': 2}
        if path != NAME:
            raise FuseOSError(errno.ENOENT)
        size = os.path.getsize(self.image)
        return {'st_mode': stat.S_IFREG | 0o666, 'st_nlink': 1, 'st_size': size}

    def readdir(self, path, fh):
        return ['.', '..', NAME[1:]]

    def open(self, path, flags):
        if path != NAME:
            raise FuseOSError(errno.ENOENT)
        faults = [-1, -1, -1]
        if os.path.exists(self.faults_file):
            with open(self.faults_file) as f:
                faults = [int(word) for word in f.read().split()]
        self.unreadable, self.unwritable, self.drops_from = faults
        return 0

    # The backing file is opened at every call: a test may rewrite it between runs.
    def read(self, path, size, offset, fh):
        if touches(offset, size, self.unreadable):
            raise FuseOSError(errno.EIO)
        with open(self.image, 'rb') as f:
            f.seek(offset)
            return f.read(size)

    def write(self, path, data, offset, fh):
        if touches(offset, len(data), self.unwritable):
            raise FuseOSError(errno.EIO)
        kept = data
        if self.drops_from >= 0:
            kept = data[:max(0, self.drops_from * SECTOR - offset)]
        with open(self.image, 'r+b') as f:
            f.seek(offset)
            f.write(kept)
        return len(data)


# No attribute caching: the backing file may be rewritten with another size.
FUSE(FaultyMedium(sys.argv[1]), sys.argv[2], foreground=True, nothreads=True,
     direct_io=True, attr_timeout=0, entry_timeout=0)
