"""Runs a command while holding the machine-wide lock on the product ports:
the SDK's validator activates instances, and each one serves on those ports.
argv: the command and its arguments; exits with the command's status."""
import subprocess
import sys

from uygulama import hold_ports

if __name__ == "__main__":
    lock = hold_ports()
    sys.exit(subprocess.call(sys.argv[1:]))
