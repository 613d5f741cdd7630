"""The editor process started with a tag in its environment: the runs find
their own program by it, never by name, so other editors on the machine are
neither measured nor stopped."""
import os

VAR = "TDE_RUN_TAG"


def tagged_pid(tag):
    """The Wine process (not the launcher) whose environment holds the tag."""
    needle = f"{VAR}={tag}".encode()
    for p in os.listdir("/proc"):
        if not p.isdigit():
            continue
        try:
            with open(f"/proc/{p}/cmdline", "rb") as f:
                if b"tde.exe" not in f.read():
                    continue
            with open(f"/proc/{p}/environ", "rb") as f:
                if needle in f.read().split(b"\0"):
                    return int(p)
        except OSError:
            continue
    return None
