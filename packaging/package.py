#!/usr/bin/env python3
"""Lays the built companions into an app bundle and makes the Claude Desktop
extension bundle; on a Mac also signs and verifies what it laid out.

  package.py PRODUCTS --app APP --mcpb MCPB [--skeleton] [--sign IDENTITY]

PRODUCTS is the products.json that the build writes (build/packaging/): the
extension's facts and where the built products are. --skeleton makes APP
afresh as a bare bundle first. --sign lays out the app extensions too and
signs the bridge and each extension with IDENTITY ("-" signs ad hoc), each
extension with its entitlements, then checks them with codesign --verify."""

import argparse
import json
import subprocess
import sys
from pathlib import Path

import app_layout
import mcpb_bundle
from app_layout import PackagingError


def main(argv: list[str]) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("products", type=Path)
    parser.add_argument("--app", type=Path, required=True)
    parser.add_argument("--mcpb", type=Path, required=True)
    parser.add_argument("--skeleton", action="store_true")
    parser.add_argument("--sign", metavar="IDENTITY")
    args = parser.parse_args(argv)
    try:
        package(args)
    except PackagingError as error:
        print(f"package: {error}", file=sys.stderr)
        return 1
    return 0


def package(args: argparse.Namespace) -> None:
    products = read_json(args.products)
    # Everything is checked before anything is laid out or signed.
    extensions = macos_extensions(products) if args.sign is not None else []
    manifest = mcpb_bundle.manifest(
        products["extension"],
        products["version"],
        products["app"]["default_location"],
        read_json(Path(products["seed"])),
    )
    if args.skeleton:
        app = products["app"]
        app_layout.make_skeleton(args.app, app["name"], app["identifier"], products["version"])
    app_layout.lay_out(
        args.app,
        Path(products["bridge"]),
        Path(products["seed"]),
        [bundle for bundle, _ in extensions],
    )
    if args.sign is not None:
        sign(args.app, extensions, args.sign)
    mcpb_bundle.write(args.mcpb, manifest)


def macos_extensions(products: dict) -> list[tuple[Path, Path]]:
    """Each app extension's built bundle and its entitlements file."""
    found = []
    for extension in products["extensions"]:
        name = extension["name"]
        if not extension["bundle"]:
            raise PackagingError(f"the build has no target {name}: its {name}.appex cannot be made")
        bundle, entitlements = Path(extension["bundle"]), Path(extension["entitlements"])
        if not bundle.is_dir():
            raise PackagingError(f"{bundle} is missing: build {name} first")
        if not entitlements.is_file():
            raise PackagingError(f"the entitlements of {name} are missing: {entitlements}")
        found.append((bundle, entitlements))
    return found


def sign(app: Path, extensions: list[tuple[Path, Path]], identity: str) -> None:
    """Signs the laid-out bridge and extensions, then verifies each."""
    signed = [(app / app_layout.BRIDGE, None)]
    signed += [(app / app_layout.PLUGINS / bundle.name, ent) for bundle, ent in extensions]
    for path, entitlements in signed:
        command = ["codesign", "--force", "--sign", identity]
        if entitlements is not None:
            command += ["--entitlements", str(entitlements)]
        run(command + [str(path)])
    for path, _ in signed:
        run(["codesign", "--verify", "--strict", "--verbose=2", str(path)])


def run(command: list[str]) -> None:
    try:
        result = subprocess.run(command)
    except OSError as error:
        raise PackagingError(f"cannot run {command[0]}: {error}") from error
    if result.returncode != 0:
        raise PackagingError(f"failed ({result.returncode}): {' '.join(command)}")


def read_json(path: Path):
    try:
        return json.loads(path.read_text(encoding="utf-8"))
    except (OSError, ValueError) as error:
        raise PackagingError(f"cannot read {path}: {error}") from error


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
