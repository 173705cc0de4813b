"""The Claude Desktop extension bundle (zorvs.mcpb): a ZIP file whose root
holds manifest.json. The bridge itself is not in it: it ships inside the app,
where it finds the app it starts, and the bundle points at it there."""

import json
import zipfile
from pathlib import Path

import app_layout

MANIFEST = "manifest.json"

# The one setting: where the app is. The bridge's messages tell the user to
# change it under this very title when the app has moved.
APP_LOCATION_KEY = "zorvs_app_location"
APP_LOCATION_TITLE = "Zorvs app location"

# The server's main file must lie in the bundle; the server being the bridge
# inside the app, that file says where it is.
ENTRY_POINT = "server/README.txt"
ENTRY_POINT_TEXT = f"""\
The server of this extension is zorvs-mcp-shim, the MCP bridge that ships
inside Zorvs.app, in {app_layout.RESOURCES.as_posix()}/. Claude Desktop starts it from
the app named by the setting "{APP_LOCATION_TITLE}". Point that setting at
Zorvs.app wherever it is.
"""


def manifest(extension: dict, version: str, default_app: str, seed: dict) -> dict:
    """The manifest (format 0.3) for the extension facts, the project version,
    the app's usual location and the bridge's seed tool list."""
    return {
        "manifest_version": "0.3",
        "name": extension["name"],
        "display_name": extension["display_name"],
        "version": version,
        "description": extension["description"],
        "author": {"name": extension["author"]},
        "server": {
            "type": "binary",
            "entry_point": ENTRY_POINT,
            "mcp_config": {
                "command": "${user_config.%s}/%s" % (APP_LOCATION_KEY, app_layout.BRIDGE.as_posix()),
                "args": [],
            },
        },
        "tools": listed_tools(seed),
        # The app's tool list can change after the bundle is made.
        "tools_generated": True,
        "compatibility": {"platforms": ["darwin"]},
        "user_config": {
            APP_LOCATION_KEY: {
                "type": "directory",
                "title": APP_LOCATION_TITLE,
                "description": "Where Zorvs.app is; change it if you move the app.",
                "required": True,
                "default": default_app,
            }
        },
    }


def listed_tools(seed: dict) -> list[dict]:
    """The seed's tools with their names and descriptions alone."""
    tools = seed.get("tools") if isinstance(seed, dict) else None
    if not isinstance(tools, list) or not tools:
        raise app_layout.PackagingError("the seed has no tools to list")
    listed = []
    for tool in tools:
        if not isinstance(tool, dict) or not isinstance(tool.get("name"), str):
            raise app_layout.PackagingError(f"a seed tool without a name: {tool!r}")
        entry = {"name": tool["name"]}
        if isinstance(tool.get("description"), str):
            entry["description"] = tool["description"]
        listed.append(entry)
    return listed


def write(path: Path, manifest_value: dict) -> None:
    """Writes the bundle: the manifest and the entry point, with fixed dates
    so that the same inputs give the same file."""
    path.parent.mkdir(parents=True, exist_ok=True)
    members = {
        MANIFEST: json.dumps(manifest_value, indent=2, ensure_ascii=False) + "\n",
        ENTRY_POINT: ENTRY_POINT_TEXT,
    }
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as bundle:
        for name, text in members.items():
            info = zipfile.ZipInfo(name, date_time=(1980, 1, 1, 0, 0, 0))
            info.external_attr = 0o644 << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            bundle.writestr(info, text.encode("utf-8"))
