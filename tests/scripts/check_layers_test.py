#!/usr/bin/env python3
"""The layer checker finds each kind of wrong include in a small made-up tree, and none in a sound one."""
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
import check_layers  # noqa: E402


def make_tree(files):
    root = tempfile.mkdtemp()
    for path, text in files.items():
        full = os.path.join(root, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "w") as out:
            out.write(text)
    return root


SOUND = {
    "platform/base/error.h": "#include <QString>\n",
    "foundation/log.h": '#include "platform/base/error.h"\n',
    "language/date.h": '#include "foundation/log.h"\n',
    "model/task.h": '#include "language/date.h"\n#include <QColor>\n',
    "store/manager.h": '#include "model/task.h"\n',
    "sync/journal.h": '#include "store/manager.h"\n',
    "taskviews/tasks_controller.h": '#include "sync/journal.h"\n#include <QAbstractItemModel>\n',
    "taskviews/gui/outline_view.h": '#include "taskviews/tasks_controller.h"\n#include <QTreeView>\n',
    "store/gui/progress_window.h": '#include "store/manager.h"\n#include <QtWidgets/QDialog>\n',
    "platform/desktop/hot_keys.h": '#include <QWidget>\n',
    "app/main.cpp": '#include "taskviews/gui/outline_view.h"\n#include <QApplication>\n',
}


class LayerCheckTest(unittest.TestCase):
    def problems(self, extra):
        return check_layers.problems(make_tree({**SOUND, **extra}))

    def test_sound_tree_passes(self):
        self.assertEqual(self.problems({}), [])

    def test_each_wrong_include_is_found(self):
        cases = {
            "presentation file including Qt Widgets":
                ("taskviews/cards_model.cpp", "#include <QWidget>\n", "Qt Widgets"),
            "presentation file including a QtWidgets module path":
                ("app/delegate.cpp", "#include <QtWidgets/QMessageBox>\n", "Qt Widgets"),
            "core file including Qt Widgets":
                ("model/task.cpp", "#include <QApplication>\n", "Qt Widgets"),
            "model including a store header":
                ("model/task.cpp", '#include "store/manager.h"\n', "store/"),
            "language including a model header":
                ("language/date.cpp", '#include "model/task.h"\n', "model/"),
            "core including presentation":
                ("store/manager.cpp", '#include "taskviews/tasks_controller.h"\n', "presentation"),
            "presentation including a gui/ header":
                ("taskviews/tasks_controller.cpp", '#include "taskviews/gui/outline_view.h"\n', "widgets"),
            "platform including core":
                ("platform/base/error.cpp", '#include "foundation/log.h"\n', "core"),
        }
        for name, (path, text, words) in cases.items():
            with self.subTest(name):
                found = self.problems({path: text})
                self.assertEqual(len(found), 1, found)
                self.assertIn(path, found[0])
                self.assertIn(words, found[0])


if __name__ == "__main__":
    unittest.main()
