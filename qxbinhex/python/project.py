"""The qxbinhex bindings take the sip ABI, the tags and the disabled features from the PyQt6
they import, as recorded in the .toml file PyQt6 installs beside its .sip files."""

import os
import tomllib

import PyQt6
from sipbuild import Bindings, Project


PYQT_BINDINGS_DIR = os.path.join(os.path.dirname(PyQt6.__file__), 'bindings')


def pyqt_configuration(module):
    with open(os.path.join(PYQT_BINDINGS_DIR, module, module + '.toml'), 'rb') as f:
        return tomllib.load(f)


class QXBinHexBindings(Bindings):
    def apply_user_defaults(self, tool):
        widgets = pyqt_configuration('QtWidgets')
        self.tags = list(widgets['module-tags']) + list(self.tags or [])
        self.disabled_features = (list(widgets['module-disabled-features']) +
                                  list(self.disabled_features or []))
        super().apply_user_defaults(tool)


class QXBinHexProject(Project):
    def apply_nonuser_defaults(self, tool):
        self.bindings_factory = QXBinHexBindings
        self.abi_version = pyqt_configuration('QtCore')['sip-abi-version']
        self.sip_include_dirs = [PYQT_BINDINGS_DIR] + list(self.sip_include_dirs or [])
        super().apply_nonuser_defaults(tool)
