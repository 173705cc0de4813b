"""Where the companions lie inside Zorvs.app, and laying them there."""

import os
import plistlib
import shutil
from pathlib import Path

# The bridge and its seed lie in Resources, not in Contents/MacOS/: the bridge
# counts any process started from Contents/MacOS/ as the running app, and
# would count itself. It finds the seed beside its own executable.
RESOURCES = Path("Contents/Resources")
BRIDGE = RESOURCES / "zorvs-mcp-shim"
SEED = RESOURCES / "tools-seed.json"
PLUGINS = Path("Contents/PlugIns")
INFO_PLIST = Path("Contents/Info.plist")


class PackagingError(Exception):
    """A packaging step that cannot be done; the message says which and why."""


def make_skeleton(app: Path, name: str, identifier: str, version: str) -> None:
    """Makes a fresh app bundle with nothing in it but its property list,
    replacing whatever lay at `app`, to lay the companions into for a try."""
    shutil.rmtree(app, ignore_errors=True)
    (app / INFO_PLIST).parent.mkdir(parents=True)
    info = {
        "CFBundleIdentifier": identifier,
        "CFBundleInfoDictionaryVersion": "6.0",
        "CFBundleName": name,
        "CFBundlePackageType": "APPL",
        "CFBundleShortVersionString": version,
        "CFBundleVersion": version,
    }
    with open(app / INFO_PLIST, "wb") as out:
        plistlib.dump(info, out)


def lay_out(app: Path, bridge: Path, seed: Path, extensions: list[Path]) -> None:
    """Copies the bridge and its seed into the app's Resources and each
    extension bundle into its PlugIns, replacing earlier copies."""
    if not (app / INFO_PLIST).is_file():
        raise PackagingError(f"{app} is not an app bundle: it has no {INFO_PLIST}")
    for product in [bridge, seed]:
        if not product.is_file():
            raise PackagingError(f"{product} is missing: build it first")
    (app / RESOURCES).mkdir(parents=True, exist_ok=True)
    _replace_file(bridge, app / BRIDGE)
    _replace_file(seed, app / SEED)
    for extension in extensions:
        if not extension.is_dir():
            raise PackagingError(f"{extension} is missing: build it first")
        target = app / PLUGINS / extension.name
        shutil.rmtree(target, ignore_errors=True)
        shutil.copytree(extension, target, symlinks=True)


def _replace_file(source: Path, target: Path) -> None:
    # A new file rather than one rewritten in place: macOS keeps the signature
    # of an executable it has run with its file and kills a process started
    # from the same file with other contents.
    if target.exists() or target.is_symlink():
        os.unlink(target)
    shutil.copy2(source, target)
