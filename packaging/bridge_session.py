"""Runs a built bridge as Claude Desktop does, on a machine without the app:
a fresh home (no host socket, no tool cache) and launching switched off, so
that the bridge answers from its seed and its diagnostics alone."""

import json
import os
import subprocess
from pathlib import Path

INITIALIZE = {"jsonrpc": "2.0", "id": 1, "method": "initialize", "params": {}}
TOOLS_LIST = {"jsonrpc": "2.0", "id": 2, "method": "tools/list"}
TOOLS_CALL = {
    "jsonrpc": "2.0",
    "id": 3,
    "method": "tools/call",
    "params": {"name": "list_patterns", "arguments": {}},
}


def environment(home: Path) -> dict:
    env = dict(os.environ, HOME=str(home), ZORVS_SHIM_NO_AUTOLAUNCH="1")
    env.pop("ZORVS_MCP_FLAVOR", None)
    return env


def ask(command: list[str], home: Path, requests: list[dict]) -> list[dict]:
    """Sends the requests and returns the bridge's answers, one per request."""
    lines = "".join(json.dumps(request) + "\n" for request in requests)
    done = subprocess.run(
        command, input=lines, capture_output=True, text=True, env=environment(home), timeout=30
    )
    answers = [json.loads(line) for line in done.stdout.splitlines()]
    if done.returncode != 0 or len(answers) != len(requests):
        raise AssertionError(f"bridge {command}: status {done.returncode}, answers {answers}")
    return answers


def tool_error_text(answer: dict) -> str:
    """The text of a tool call answered as failed: what the user reads."""
    result = answer["result"]
    if result.get("isError") is not True:
        raise AssertionError(f"not a failed tool call: {answer}")
    return result["content"][0]["text"]


def tool_error_after_moving(bridge: Path, home: Path, app: Path, moved_to: Path) -> str:
    """Starts the bridge from inside `app`, moves the app away while it runs
    (as a user may), and returns what a tool call then tells the user."""
    process = subprocess.Popen(
        [str(bridge)],
        stdin=subprocess.PIPE,
        stdout=subprocess.PIPE,
        text=True,
        env=environment(home),
    )
    try:
        app.rename(moved_to)
        out, _ = process.communicate(json.dumps(TOOLS_CALL) + "\n", timeout=30)
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()
    return tool_error_text(json.loads(out))
