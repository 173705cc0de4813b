#!/usr/bin/env python3
"""The companions laid into an app bundle: where each file lands, that the
bridge works from there, and the Mac-only signing with a stand-in codesign.

  app_layout_test.py PRODUCTS    (build/packaging/products.json)"""

import json
import os
import plistlib
import subprocess
import sys
import tempfile
import textwrap
import unittest
from pathlib import Path

import bridge_session

HERE = Path(__file__).resolve().parent
PRODUCTS = Path(sys.argv.pop(1)) if __name__ == "__main__" else None


def run_package(*args: str, env=None) -> subprocess.CompletedProcess:
    return subprocess.run(
        [sys.executable, str(HERE / "package.py"), *args],
        capture_output=True,
        text=True,
        env=env,
    )


def files_under(root: Path) -> set[str]:
    return {str(p.relative_to(root)) for p in root.rglob("*") if not p.is_dir()}


class PackagedAppTest(unittest.TestCase):
    def setUp(self):
        self.products = json.loads(PRODUCTS.read_text())
        self.tmp = Path(tempfile.mkdtemp(prefix="zorvs-layout-"))
        self.addCleanup(subprocess.run, ["rm", "-rf", str(self.tmp)])
        self.app = self.tmp / "Zorvs.app"
        self.home = self.tmp / "home"
        self.home.mkdir()

    def package(self, *extra: str) -> subprocess.CompletedProcess:
        return run_package(
            str(PRODUCTS), "--app", str(self.app), "--mcpb", str(self.tmp / "zorvs.mcpb"), *extra
        )

    def test_skeleton_holds_the_bridge_and_its_seed_in_resources(self):
        done = self.package("--skeleton")
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(
            files_under(self.app),
            {
                "Contents/Info.plist",
                "Contents/Resources/zorvs-mcp-shim",
                "Contents/Resources/tools-seed.json",
            },
        )
        bridge = self.app / "Contents/Resources/zorvs-mcp-shim"
        self.assertTrue(os.access(bridge, os.X_OK))
        self.assertEqual(bridge.read_bytes(), Path(self.products["bridge"]).read_bytes())
        seed = self.app / "Contents/Resources/tools-seed.json"
        self.assertEqual(seed.read_bytes(), Path(self.products["seed"]).read_bytes())
        with open(self.app / "Contents/Info.plist", "rb") as plist:
            info = plistlib.load(plist)
        self.assertEqual(info["CFBundleIdentifier"], self.products["app"]["identifier"])
        self.assertEqual(info["CFBundlePackageType"], "APPL")
        self.assertEqual(info["CFBundleShortVersionString"], self.products["version"])

    def test_bridge_finds_its_seed_and_its_app_from_where_it_lies(self):
        self.assertEqual(self.package("--skeleton").returncode, 0)
        bridge = self.app / "Contents/Resources/zorvs-mcp-shim"
        tools, call = bridge_session.ask(
            [str(bridge)], self.home, [bridge_session.TOOLS_LIST, bridge_session.TOOLS_CALL]
        )
        self.assertEqual(tools["result"], json.loads(Path(self.products["seed"]).read_text()))
        # The app not running, the bridge names the bundle around it as the
        # app to open: it would launch that one.
        self.assertEqual(
            bridge_session.tool_error_text(call),
            f"Zorvs isn't running and couldn't be started automatically. "
            f"Open Zorvs from {self.app} and try again.",
        )

    def test_laying_into_an_existing_app_replaces_the_companions_and_keeps_the_rest(self):
        self.assertEqual(self.package("--skeleton").returncode, 0)
        own = self.app / "Contents/MacOS/Zorvs"
        own.parent.mkdir()
        own.write_text("the app's own executable")
        (self.app / "Contents/Resources/zorvs-mcp-shim").write_text("an older bridge")
        done = self.package()
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(own.read_text(), "the app's own executable")
        self.assertEqual(
            (self.app / "Contents/Resources/zorvs-mcp-shim").read_bytes(),
            Path(self.products["bridge"]).read_bytes(),
        )

    def test_a_folder_that_is_no_app_bundle_is_refused(self):
        self.app.mkdir()
        done = self.package()
        self.assertEqual(done.returncode, 1)
        self.assertIn("is not an app bundle", done.stderr)
        self.assertEqual(files_under(self.app), set())


FAKE_CODESIGN = """\
#!/bin/sh
echo "$*" >> "$CODESIGN_LOG"
case "$1 $CODESIGN_FAIL" in
  "--verify --verify") exit 1 ;;
esac
exit 0
"""


class MacosSigningTest(unittest.TestCase):
    """The Mac path (--sign) with a codesign that records its calls."""

    def setUp(self):
        self.tmp = Path(tempfile.mkdtemp(prefix="zorvs-signing-"))
        self.addCleanup(subprocess.run, ["rm", "-rf", str(self.tmp)])
        self.products = json.loads(PRODUCTS.read_text())
        built = self.tmp / "built"
        for extension in self.products["extensions"]:
            name = extension["name"]
            bundle = built / f"{name}.appex"
            (bundle / "Contents/MacOS").mkdir(parents=True)
            (bundle / "Contents/MacOS" / name).write_text(name)
            extension["bundle"] = str(bundle)
            extension["entitlements"] = str(built / f"{name}.entitlements")
            Path(extension["entitlements"]).write_text(name)
        tools = self.tmp / "tools"
        tools.mkdir()
        (tools / "codesign").write_text(FAKE_CODESIGN)
        (tools / "codesign").chmod(0o755)
        self.log = self.tmp / "codesign.log"
        self.env = dict(
            os.environ, PATH=f"{tools}:{os.environ['PATH']}", CODESIGN_LOG=str(self.log)
        )
        self.app = self.tmp / "Zorvs.app"

    def package(self, **env: str) -> subprocess.CompletedProcess:
        products = self.tmp / "products.json"
        products.write_text(json.dumps(self.products))
        return run_package(
            str(products),
            "--app", str(self.app),
            "--skeleton",
            "--mcpb", str(self.tmp / "zorvs.mcpb"),
            "--sign", "Developer ID Application: Zorvs",
            env=dict(self.env, **env),
        )

    def test_each_extension_is_laid_out_signed_with_its_entitlements_and_verified(self):
        done = self.package()
        self.assertEqual(done.returncode, 0, done.stderr)
        identity = "--force --sign Developer ID Application: Zorvs"
        bridge = self.app / "Contents/Resources/zorvs-mcp-shim"
        share = self.app / "Contents/PlugIns/PlavikShare.appex"
        controls = self.app / "Contents/PlugIns/ZorvsControls.appex"
        entitlements = {e["name"]: e["entitlements"] for e in self.products["extensions"]}
        self.assertEqual(
            self.log.read_text().splitlines(),
            [
                f"{identity} {bridge}",
                f"{identity} --entitlements {entitlements['PlavikShare']} {share}",
                f"{identity} --entitlements {entitlements['ZorvsControls']} {controls}",
                f"--verify --strict --verbose=2 {bridge}",
                f"--verify --strict --verbose=2 {share}",
                f"--verify --strict --verbose=2 {controls}",
            ],
        )
        self.assertEqual((controls / "Contents/MacOS/ZorvsControls").read_text(), "ZorvsControls")
        self.assertEqual((share / "Contents/MacOS/PlavikShare").read_text(), "PlavikShare")

    def test_a_missing_product_stops_packaging_before_anything_is_signed(self):
        cases = [
            ("no target", lambda e: e.update(bundle=""), "the build has no target ZorvsControls"),
            ("not built", lambda e: e.update(bundle=str(self.tmp / "none.appex")), "build ZorvsControls first"),
            ("no entitlements", lambda e: Path(e["entitlements"]).unlink(), "the entitlements of ZorvsControls are missing"),
        ]
        for label, damage, message in cases:
            with self.subTest(label):
                self.setUp()
                damage(self.products["extensions"][1])
                done = self.package()
                self.assertEqual(done.returncode, 1)
                self.assertIn(message, done.stderr)
                self.assertFalse(self.log.exists())
                self.assertFalse((self.tmp / "zorvs.mcpb").exists())

    def test_a_signature_that_does_not_verify_fails_packaging(self):
        done = self.package(CODESIGN_FAIL="--verify")
        self.assertEqual(done.returncode, 1)
        self.assertIn("codesign --verify", done.stderr)
        self.assertFalse((self.tmp / "zorvs.mcpb").exists())


if __name__ == "__main__":
    unittest.main()
