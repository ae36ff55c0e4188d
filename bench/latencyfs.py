#!/usr/bin/python3
"""A read-only pass-through file system that waits before answering, as a network share does.

    latencyfs.py SOURCE MOUNTPOINT [DELAY-MS]

Mirrors SOURCE at MOUNTPOINT and adds DELAY-MS (default 1) to every lookup, getattr and readdir.
The kernel is told to cache nothing, so every run pays the delay again, and directory listings
carry names only (no entry types), as many network file systems give them. Runs in the
foreground until unmounted (fusermount -u MOUNTPOINT). Needs Debian's python3-fusepy.
"""

import errno
import os
import sys
import time

from fusepy import FUSE, FuseOSError, Operations


class LatencyFS(Operations):
    def __init__(self, root, delay):
        self.root = os.path.realpath(root)
        self.delay = delay

    def _full(self, path):
        return os.path.join(self.root, path.lstrip('/'))

    def _wait(self):
        time.sleep(self.delay)

    # getattr answers the kernel's lookups too.
    def getattr(self, path, fh=None):
        self._wait()
        try:
            st = os.lstat(self._full(path))
        except OSError as e:
            raise FuseOSError(e.errno)
        return {key: getattr(st, key) for key in (
            'st_mode', 'st_nlink', 'st_uid', 'st_gid', 'st_size', 'st_atime', 'st_mtime', 'st_ctime', 'st_ino')}

    def readdir(self, path, fh):
        self._wait()
        try:
            return ['.', '..'] + os.listdir(self._full(path))
        except OSError as e:
            raise FuseOSError(e.errno)

    def readlink(self, path):
        return os.readlink(self._full(path))

    def open(self, path, flags):
        if flags & (os.O_WRONLY | os.O_RDWR):
            raise FuseOSError(errno.EROFS)
        return os.open(self._full(path), flags)

    def read(self, path, size, offset, fh):
        return os.pread(fh, size, offset)

    def release(self, path, fh):
        os.close(fh)

    def statfs(self, path):
        st = os.statvfs(self._full(path))
        return {key: getattr(st, key) for key in (
            'f_bavail', 'f_bfree', 'f_blocks', 'f_bsize', 'f_favail', 'f_ffree', 'f_files', 'f_flag', 'f_frsize',
            'f_namemax')}


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    delay = float(sys.argv[3]) / 1000.0 if len(sys.argv) > 3 else 0.001
    FUSE(LatencyFS(sys.argv[1], delay), sys.argv[2], foreground=True, nothreads=False, ro=True,
         attr_timeout=0, entry_timeout=0, negative_timeout=0, use_ino=True, fsname='latencyfs')


if __name__ == '__main__':
    main()
