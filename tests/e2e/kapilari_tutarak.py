"""Runs argv as a command while holding the machine-wide lock on the product ports, which every suite and
build tree that starts instances shares (each instance serves on them); exits with its status."""
import fcntl
import os
import subprocess
import sys

if __name__ == "__main__":
    lock = os.open(os.path.join(os.environ.get("TMPDIR") or "/tmp", "oka-kapilar.kilit"), os.O_RDWR | os.O_CREAT, 0o666)
    fcntl.flock(lock, fcntl.LOCK_EX)
    sys.exit(subprocess.call(sys.argv[1:]))
