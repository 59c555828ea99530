"""Runs argv as a command while holding the machine-wide lock on the product ports (the
SDK's validator activates instances, each serving on them); exits with its status."""
import subprocess
import sys

from uygulama import hold_ports

if __name__ == "__main__":
    lock = hold_ports()
    sys.exit(subprocess.call(sys.argv[1:]))
