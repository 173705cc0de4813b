#!/usr/bin/env python3
"""The Claude Desktop extension bundle as packaging makes it: a ZIP with the
manifest at its root, members the format allows, a setting titled as the
bridge's own messages name it, a command that reaches the bridge where
packaging lays it, and the seed's tools.

  mcpb_bundle_test.py PRODUCTS    (build/packaging/products.json)"""

import json
import re
import subprocess
import sys
import tempfile
import unittest
import zipfile
from pathlib import Path

import bridge_session

HERE = Path(__file__).resolve().parent
PRODUCTS = Path(sys.argv.pop(1)) if __name__ == "__main__" else None

# The members manifest version 0.3 allows, per object, and those it requires.
ALLOWED = {
    "manifest": {
        "manifest_version", "name", "display_name", "version", "description",
        "long_description", "author", "repository", "homepage", "documentation",
        "support", "icon", "server", "tools", "tools_generated", "prompts",
        "prompts_generated", "keywords", "license", "compatibility", "user_config",
    },
    "author": {"name", "email", "url"},
    "server": {"type", "entry_point", "mcp_config"},
    "mcp_config": {"command", "args", "env", "platform_overrides"},
    "tool": {"name", "description"},
    "compatibility": {"claude_desktop", "platforms", "runtimes"},
    "setting": {
        "type", "title", "description", "required", "default",
        "multiple", "sensitive", "min", "max",
    },
}
REQUIRED = {
    "manifest": {"manifest_version", "name", "version", "description", "author", "server"},
    "author": {"name"},
    "server": {"type", "entry_point", "mcp_config"},
    "mcp_config": {"command"},
    "tool": {"name"},
    "compatibility": set(),
    "setting": {"type", "title", "description"},
}


def format_problems(manifest: dict) -> list[str]:
    """Members outside the format, or required ones missing, by object."""
    objects = [("manifest", manifest)]
    objects.append(("author", manifest.get("author", {})))
    server = manifest.get("server", {})
    objects += [("server", server), ("mcp_config", server.get("mcp_config", {}))]
    objects += [("tool", tool) for tool in manifest.get("tools", [])]
    objects.append(("compatibility", manifest.get("compatibility", {})))
    objects += [("setting", s) for s in manifest.get("user_config", {}).values()]
    problems = []
    for kind, value in objects:
        if not isinstance(value, dict):
            problems.append(f"{kind} is not an object")
            continue
        problems += [f"{kind} has {m}" for m in sorted(set(value) - ALLOWED[kind])]
        problems += [f"{kind} lacks {m}" for m in sorted(REQUIRED[kind] - set(value))]
    return problems


def substitute(text: str, manifest: dict, dirname: str, home: str, values: dict) -> str:
    """Claude Desktop's variables: a setting's value is the user's, else its default."""
    def setting(match):
        key = match.group(1)
        return values.get(key, manifest["user_config"][key].get("default"))

    text = re.sub(r"\$\{user_config\.([^}]*)\}", setting, text)
    return text.replace("${__dirname}", dirname).replace("${HOME}", home)


class McpbBundleTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.products = json.loads(PRODUCTS.read_text())
        cls.tmp = Path(tempfile.mkdtemp(prefix="zorvs-mcpb-"))
        cls.app = cls.tmp / "Zorvs.app"
        cls.mcpb = cls.tmp / "zorvs.mcpb"
        done = subprocess.run(
            [sys.executable, str(HERE / "package.py"), str(PRODUCTS),
             "--app", str(cls.app), "--skeleton", "--mcpb", str(cls.mcpb)],
            capture_output=True, text=True,
        )
        if done.returncode != 0:
            raise AssertionError(done.stderr)
        with zipfile.ZipFile(cls.mcpb) as bundle:
            cls.members = {name: bundle.read(name) for name in bundle.namelist()}
        cls.manifest = json.loads(cls.members["manifest.json"])

    @classmethod
    def tearDownClass(cls):
        subprocess.run(["rm", "-rf", str(cls.tmp)])

    def home(self) -> Path:
        return Path(tempfile.mkdtemp(dir=self.tmp))

    def test_is_a_zip_with_the_manifest_at_its_root_and_the_entry_point_but_no_bridge(self):
        with zipfile.ZipFile(self.mcpb) as bundle:
            self.assertIsNone(bundle.testzip())
        self.assertIn("manifest.json", self.members)
        self.assertIn(self.manifest["server"]["entry_point"], self.members)
        for name, data in self.members.items():
            with self.subTest(name):
                self.assertNotIn("..", Path(name).parts)
                self.assertFalse(name.startswith("/"))
                self.assertNotEqual(Path(name).name, "zorvs-mcp-shim")
                # No executable of any kind: ELF, Mach-O (either byte order), universal.
                self.assertNotIn(
                    data[:4],
                    {b"\x7fELF", b"\xcf\xfa\xed\xfe", b"\xfe\xed\xfa\xcf", b"\xca\xfe\xba\xbe"},
                )

    def test_holds_only_what_the_format_allows(self):
        self.assertEqual(format_problems(self.manifest), [])
        self.assertEqual(self.manifest["manifest_version"], "0.3")
        self.assertRegex(self.manifest["version"], r"^\d+\.\d+\.\d+$")
        self.assertEqual(self.manifest["server"]["type"], "binary")
        self.assertEqual(self.manifest["server"]["mcp_config"].get("args", []), [])
        self.assertEqual(self.manifest["compatibility"], {"platforms": ["darwin"]})
        self.assertNotIn("\n", self.manifest["description"])

    def test_the_format_check_finds_what_the_format_forbids(self):
        cases = [
            ("unknown top member", lambda m: m.update(entry_point="x"), "manifest has entry_point"),
            ("tool member", lambda m: m["tools"][0].update(inputSchema={}), "tool has inputSchema"),
            ("author without name", lambda m: m["author"].pop("name"), "author lacks name"),
            ("setting member", lambda m: m["user_config"]["zorvs_app_location"].update(label="x"),
             "setting has label"),
            ("server member", lambda m: m["server"].update(command="x"), "server has command"),
        ]
        for label, damage, problem in cases:
            with self.subTest(label):
                manifest = json.loads(self.members["manifest.json"])
                damage(manifest)
                self.assertIn(problem, format_problems(manifest))

    def test_the_one_setting_is_the_app_location(self):
        self.assertEqual(
            self.manifest["user_config"],
            {
                "zorvs_app_location": {
                    "type": "directory",
                    "title": "Zorvs app location",
                    "description": self.manifest["user_config"]["zorvs_app_location"]["description"],
                    "required": True,
                    "default": "/Applications/Zorvs.app",
                }
            },
        )
        description = self.manifest["user_config"]["zorvs_app_location"]["description"]
        self.assertTrue(description.strip())
        self.assertNotIn("\n", description)

    def test_the_setting_is_titled_as_the_bridge_names_it(self):
        title = self.manifest["user_config"]["zorvs_app_location"]["title"]
        # The bridge outside any app bundle, and the packaged bridge after
        # its app was moved away: the two messages that name the setting.
        outside = bridge_session.tool_error_text(
            bridge_session.ask(
                [self.products["bridge"]], self.home(), [bridge_session.TOOLS_CALL]
            )[0]
        )
        app = self.tmp / "Named.app"
        subprocess.run(["cp", "-a", str(self.app), str(app)], check=True)
        moved = bridge_session.tool_error_after_moving(
            app / "Contents/Resources/zorvs-mcp-shim", self.home(), app, self.tmp / "Gone.app"
        )
        for message in [outside, moved]:
            with self.subTest(message):
                self.assertIn("extension settings", message)
                self.assertEqual(re.findall(r'"([^"]*)"', message), [title])

    def test_the_command_is_the_bridge_where_packaging_lays_it(self):
        config = self.manifest["server"]["mcp_config"]
        laid_out = self.app / "Contents/Resources/zorvs-mcp-shim"
        relative = laid_out.relative_to(self.app).as_posix()
        home = str(self.home())
        default = substitute(config["command"], self.manifest, "/unpacked", home, {})
        self.assertEqual(default, f"/Applications/Zorvs.app/{relative}")
        # A user pointing the setting at the packaged app starts its bridge,
        # which answers as the server the manifest names.
        chosen = {"zorvs_app_location": str(self.app)}
        command = substitute(config["command"], self.manifest, "/unpacked", home, chosen)
        self.assertEqual(Path(command), laid_out)
        args = [substitute(a, self.manifest, "/unpacked", home, chosen) for a in config.get("args", [])]
        (answer,) = bridge_session.ask([command, *args], Path(home), [bridge_session.INITIALIZE])
        self.assertEqual(answer["result"]["serverInfo"]["name"], self.manifest["name"])

    def test_lists_the_seed_tools_and_says_the_app_may_have_others(self):
        seed = json.loads(Path(self.products["seed"]).read_text())
        self.assertEqual(
            self.manifest["tools"],
            [{"name": t["name"], "description": t["description"]} for t in seed["tools"]],
        )
        self.assertIs(self.manifest["tools_generated"], True)


if __name__ == "__main__":
    unittest.main()
