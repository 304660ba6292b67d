"""The package's build backend: a wheel and a source archive from this folder.

Needs only the standard library, so installing needs no package index. The
version comes from a VERSION file beside pyproject.toml when there is one (a
source archive carries it), else from `project(K47MXV VERSION x.y.z)` in the
project's top CMakeLists.txt one folder up.
"""
import base64
import hashlib
import io
import os
import re
import tarfile
import zipfile
from pathlib import Path

_SOURCE = Path.cwd()
_PACKAGE = "k47mxv"
_PROJECT_VERSION = re.compile(r"project\s*\(\s*K47MXV\s+VERSION\s+([0-9]+(?:\.[0-9]+)*)", re.IGNORECASE)


def _version():
    version_file = _SOURCE / "VERSION"
    if version_file.is_file():
        return version_file.read_text().strip()
    cmake = _SOURCE.parent / "CMakeLists.txt"
    match = _PROJECT_VERSION.search(cmake.read_text()) if cmake.is_file() else None
    if not match:
        raise RuntimeError(f"no VERSION file in {_SOURCE} and no project(K47MXV VERSION ...) in {cmake}")
    return match.group(1)


def _project():
    """The plain `key = "text"` entries of pyproject.toml's [project] table."""
    entries, in_project = {}, False
    for line in (_SOURCE / "pyproject.toml").read_text().splitlines():
        if line.startswith("["):
            in_project = line.strip() == "[project]"
        match = re.match(r'\s*([A-Za-z-]+)\s*=\s*"(.*)"\s*$', line)
        if in_project and match:
            entries[match.group(1)] = match.group(2)
    return entries


def _metadata(version):
    project = _project()
    return (f"Metadata-Version: 2.1\nName: {project['name']}\nVersion: {version}\n"
            f"Summary: {project['description']}\nRequires-Python: {project['requires-python']}\n")


def _package_files():
    """The package's files, as (path in the archive, path on disk), in a fixed order."""
    root = _SOURCE / _PACKAGE
    for path in sorted(root.rglob("*")):
        if path.is_file() and "__pycache__" not in path.parts:
            yield path.relative_to(_SOURCE).as_posix(), path


def _record_line(name, data):
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return f"{name},sha256={digest},{len(data)}\n"


def get_requires_for_build_wheel(config_settings=None):
    return []


def get_requires_for_build_sdist(config_settings=None):
    return []


def build_wheel(wheel_directory, config_settings=None, metadata_directory=None):
    version = _version()
    dist_info = f"{_PACKAGE}-{version}.dist-info"
    name = f"{_PACKAGE}-{version}-py3-none-any.whl"
    files = [(archived, path.read_bytes()) for archived, path in _package_files()]
    files.append((f"{dist_info}/METADATA", _metadata(version).encode()))
    files.append((f"{dist_info}/WHEEL", b"Wheel-Version: 1.0\nGenerator: k47mxv_build\n"
                                        b"Root-Is-Purelib: true\nTag: py3-none-any\n"))
    record = "".join(_record_line(archived, data) for archived, data in files) + f"{dist_info}/RECORD,,\n"
    files.append((f"{dist_info}/RECORD", record.encode()))
    with zipfile.ZipFile(os.path.join(wheel_directory, name), "w", zipfile.ZIP_DEFLATED) as wheel:
        for archived, data in files:
            wheel.writestr(archived, data)
    return name


def build_sdist(sdist_directory, config_settings=None):
    version = _version()
    top = f"{_PACKAGE}-{version}"
    name = f"{top}.tar.gz"
    files = [(archived, path.read_bytes()) for archived, path in _package_files()]
    files += [(f"build_backend/{Path(__file__).name}", Path(__file__).read_bytes()),
              ("pyproject.toml", (_SOURCE / "pyproject.toml").read_bytes()),
              ("VERSION", f"{version}\n".encode()),
              ("PKG-INFO", _metadata(version).encode())]
    with tarfile.open(os.path.join(sdist_directory, name), "w:gz", format=tarfile.PAX_FORMAT) as archive:
        for archived, data in files:
            info = tarfile.TarInfo(f"{top}/{archived}")
            info.size = len(data)
            info.mode = 0o644
            archive.addfile(info, io.BytesIO(data))
    return name
