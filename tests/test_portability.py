"""Portability: compiler- and OS-specific code only in the kit's platform
layer, the wheel configuration for every platform, the hosted CI workflow,
and an sdist that builds from source."""

import os
import platform
import re
import shutil
import subprocess
import sys
import tarfile
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[1]
SOURCES = ROOT / "src"
PLATFORM_LAYER = {SOURCES / "kit" / "platform.hpp", SOURCES / "kit" / "platform.cpp"}
WORKFLOW = ROOT / ".github" / "workflows" / "wheels.yml"

# --- compiler- and OS-specific spellings --------------------------------------

SPELLINGS = re.compile("|".join([
    r"__attribute__", r"__declspec", r"\b__builtin_\w+", r"\[\[\s*(?:gnu|clang|msvc)::",
    r"#\s*pragma\s+(?:GCC|clang|warning|comment)", r"\b_Pragma\b", r"\b__asm__\b|\basm\s*\(",
    r"\b(?:_MSC_VER|__GNUC__|__clang__|__INTEL_COMPILER|__MINGW\d*__)\b",
    r"\b(?:_WIN32|_WIN64|__APPLE__|__MACH__|__linux__|__unix__|__ELF__|__GLIBC__|__FreeBSD__)\b",
    r"\b__SANITIZE_\w+__", r"\b__has_(?:feature|attribute|cpp_attribute|builtin)\b",
    r"\bpthread_\w+", r"#\s*include\s*<(?:pthread|unistd|windows|dlfcn|intrin|sys/[\w/]+)\.h>",
    r"\b__forceinline\b", r"\b__thread\b", r"\b__PRETTY_FUNCTION__\b", r"\b__int64\b",
]))


def _code(text):
    """The C++ text without comments, string and character literals."""
    out, i, n = [], 0, len(text)
    while i < n:
        if text.startswith("//", i):
            i = text.find("\n", i)
            i = n if i < 0 else i
        elif text.startswith("/*", i):
            i = text.find("*/", i + 2) + 2 or n
        elif text.startswith('R"', i) and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            delimiter = text[i + 2:text.index("(", i)]
            i = text.index(")" + delimiter + '"', i) + len(delimiter) + 2
            out.append('""')
        elif text[i] in "\"'":
            quote, j = text[i], i + 1
            while text[j] != quote:
                j += 2 if text[j] == "\\" else 1
            i = j + 1
            out.append(quote * 2)
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


def _spellings(text):
    return [m.group(0) for m in SPELLINGS.finditer(_code(text))]


def test_the_check_finds_each_kind_of_spelling():
    for line in ["[[gnu::cold]] void f();", "__attribute__((visibility(\"default\")))", "#if defined(_WIN32)",
                 "#include <pthread.h>", "auto p = __builtin_frame_address(0);", "#ifdef __clang__",
                 "__declspec(dllexport) int x;", "pthread_getattr_np(self, &attr);", "#pragma GCC diagnostic"]:
        assert _spellings(line), line
    # Words in comments and texts are not code.
    assert not _spellings('// pthread_getattr_np is glibc\'s\n/* __attribute__ */ auto s = "__GNUC__"; char c = \'"\';')
    assert not _spellings('auto re = R"(^\\s*__linux__)";')


@pytest.mark.skipif(not (SOURCES / "kit").is_dir(), reason="needs the sources")
def test_compiler_and_os_specific_code_is_only_in_the_platform_layer():
    checked = 0
    for path in sorted([*SOURCES.rglob("*.cpp"), *SOURCES.rglob("*.hpp")]):
        if path in PLATFORM_LAYER:
            continue
        found = _spellings(path.read_text())
        assert not found, f"{path.relative_to(ROOT)}: {found} belongs in src/kit/platform.hpp"
        checked += 1
    assert checked > 20
    assert all(_spellings(p.read_text()) for p in PLATFORM_LAYER)  # the layer is where they are


# --- wheels for every platform -------------------------------------------------

EXPECTED_BUILDS = {
    "linux": {"cp313-manylinux_x86_64", "cp313-manylinux_aarch64", "cp313-musllinux_x86_64"},
    "macos": {"cp313-macosx_x86_64", "cp313-macosx_arm64"},
    "windows": {"cp313-win_amd64"},
}


def _cibuildwheel(*args):
    env = {k: v for k, v in os.environ.items() if not k.startswith("CIBW_")}
    return subprocess.run([sys.executable, "-m", "cibuildwheel", *args], capture_output=True, text=True,
                          cwd=ROOT, env=env, timeout=120)


@pytest.mark.skipif(not (ROOT / "pyproject.toml").is_file(), reason="needs the project")
@pytest.mark.parametrize("target", sorted(EXPECTED_BUILDS))
def test_cibuildwheel_builds_cpython_313_for_each_platform(target):
    pytest.importorskip("cibuildwheel")
    done = _cibuildwheel("--print-build-identifiers", "--platform", target)
    assert done.returncode == 0, done.stderr
    assert set(done.stdout.split()) == EXPECTED_BUILDS[target]
    assert "warning" not in done.stderr.lower(), done.stderr  # e.g. an option it does not know


def test_the_workflow_builds_each_platforms_wheels():
    text = WORKFLOW.read_text()
    runs = re.findall(r"- os: (\S+)\n\s+archs: (\w+)", text)
    archs = {arch for _, arch in runs}
    expected = {re.search(r"(x86_64|aarch64|arm64|amd64)$", identifier).group(1).replace("amd64", "AMD64")
                for builds in EXPECTED_BUILDS.values() for identifier in builds}
    assert archs == expected == {"x86_64", "aarch64", "arm64", "AMD64"}
    assert {os_ for os_, _ in runs} >= {"ubuntu-latest", "windows-latest"}
    assert "pypa/cibuildwheel@" in text and "package-dir: sdist/" in text  # wheels from the sdist
    # A release's run and the push of its tag share the ref: the push must not cancel the run that publishes.
    assert "github.event_name" in re.search(r"concurrency:\n\s+group: (.*)", text).group(1)


# --- the hosted CI workflow ------------------------------------------------------


def _actionlint():
    found = shutil.which("actionlint", path=str(Path(sys.executable).parent)) or shutil.which("actionlint")
    # The test extra installs it where its wheel exists (Linux x86_64, Windows).
    if found is None and not ((sys.platform == "linux" and platform.machine() == "x86_64")
                              or sys.platform == "win32"):
        pytest.skip("actionlint has no wheel for this platform")
    assert found, "actionlint is missing: install the test extra"
    return found


def test_the_workflow_passes_actionlint():
    done = subprocess.run([_actionlint(), "-no-color", str(WORKFLOW)], capture_output=True, text=True,
                          timeout=120)
    assert done.returncode == 0, done.stdout + done.stderr


def test_actionlint_finds_a_broken_workflow(tmp_path):
    broken = tmp_path / ".github" / "workflows" / "wheels.yml"
    broken.parent.mkdir(parents=True)
    text = WORKFLOW.read_text().replace("${{ matrix.archs }}", "${{ matrix.arch }}", 1)
    assert text != WORKFLOW.read_text()
    broken.write_text(text)
    done = subprocess.run([_actionlint(), "-no-color", str(broken)], capture_output=True, text=True,
                          timeout=120, cwd=tmp_path)
    assert done.returncode == 1 and "matrix.arch" in done.stdout, done.stdout + done.stderr


# --- the sdist ------------------------------------------------------------------


@pytest.fixture(scope="module")
def sdist(tmp_path_factory):
    pytest.importorskip("scikit_build_core")
    if not (ROOT / "CMakeLists.txt").is_file():
        pytest.skip("needs the project")
    out = tmp_path_factory.mktemp("sdist")
    done = subprocess.run([sys.executable, "-c",
                           "import sys; from scikit_build_core.build import build_sdist; print(build_sdist(sys.argv[1]))",
                           str(out)], capture_output=True, text=True, cwd=ROOT, timeout=300)
    assert done.returncode == 0, done.stderr
    return out / done.stdout.split()[-1]


@pytest.mark.skipif(os.environ.get("TOVANE_SANITIZE") == "ON", reason="packaging is checked by the ordinary pass")
def test_the_sdist_holds_the_sources_and_no_build_output(sdist):
    with tarfile.open(sdist) as tar:
        names = {name.split("/", 1)[1] for name in tar.getnames() if "/" in name}
    for needed in ("CMakeLists.txt", "pyproject.toml", "README.md", "src/kit/platform.cpp", "src/kit/kit.hpp",
                   "src/tovane/material/brevant/brevant.cpp", "src/tovane/resources/tovane.rcc",
                   "tests/conftest.py", ".github/workflows/wheels.yml"):
        assert needed in names, needed
    built = [n for n in names if n.endswith((".so", ".pyd", ".dylib", ".o")) or n.startswith(("build/", ".venv/"))]
    assert not built, built


def test_the_build_assumes_no_operating_system():
    text = _code_cmake((ROOT / "CMakeLists.txt").read_text())
    # No file names of one system, no shell scripts, no POSIX paths in the build itself.
    for pattern in [r"\.so\b", r"\.dylib\b", r"\.pyd\b", r"\.dll\b", r"\bbash\b|\bsh\b|\.sh\b", r"/usr/|/bin/|/tmp/",
                    r"\bexecute_process\b|\badd_custom_command\b"]:
        assert not re.search(pattern, text), pattern
    # GCC/Clang flags only where the compiler is not MSVC.
    assert re.search(r"if\(MSVC\)\s*\n\s*add_compile_options\(/W", text)


def _code_cmake(text):
    return "\n".join(line.split("#", 1)[0] for line in text.splitlines())


@pytest.mark.slow
@pytest.mark.compiler
@pytest.mark.skipif(os.environ.get("TOVANE_SANITIZE") == "ON", reason="packaging is checked by the ordinary pass")
def test_the_sdist_builds_a_wheel_from_source(sdist, tmp_path):
    with tarfile.open(sdist) as tar:
        tar.extractall(tmp_path, filter="data")
    source = next(tmp_path.iterdir())
    done = subprocess.run([sys.executable, "-m", "pip", "wheel", "--disable-pip-version-check", "--quiet",
                           "--no-build-isolation", "--no-deps", "--wheel-dir", str(tmp_path / "dist"), str(source)],
                          capture_output=True, text=True, timeout=1800,
                          env=dict(os.environ, TOVANE_TEST_MODULES="OFF", TOVANE_SANITIZE="OFF"))
    assert done.returncode == 0, done.stdout + done.stderr
    wheels = list((tmp_path / "dist").glob("tovane-*.whl"))
    assert len(wheels) == 1 and "cp313" in wheels[0].name
