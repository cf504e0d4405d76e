"""GNOME's desktop thumbnail factory, a client written by nobody on this project, makes thumbnails
through an installed zelThumbnailer: a sideways JPEG, a PDF, a DOCX and an animated GIF. The
factory's own debug log proves it ran our entry's command (for JPEG and GIF it also knows the
gdk-pixbuf thumbnailer); the thumbnails must have the right size and orientation.

The factory runs thumbnailers inside a bubblewrap sandbox that sees only /usr, so the install goes
to /usr/local, staged in a temporary folder that a private mount namespace shows at /usr/local.
Where bubblewrap cannot set up a sandbox, the test says why and runs the factory as it runs where
bubblewrap is missing: the thumbnailer straight from a temporary prefix (bwrap_stand_in.py).
ZEL_FACTORY_WITHOUT_SANDBOX=1 chooses that way on any machine.

    factory_test.py BUILD_DIR
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import desktop_inputs  # noqa: E402

BUILD = None
# What the factory's sandbox needs of bubblewrap, without the factory's system call filter.
SANDBOX_PROBE = ['bwrap', '--ro-bind', '/usr', '/usr', '--symlink', 'usr/lib', '/lib',
                 '--symlink', 'usr/lib64', '/lib64', '--symlink', 'usr/bin', '/bin',
                 '--proc', '/proc', '--dev', '/dev', '--unshare-all', '--die-with-parent',
                 '/usr/bin/true']


def sandbox_problem():
    """Why bubblewrap cannot set up the factory's sandbox here; None when it can."""
    if os.environ.get('ZEL_FACTORY_WITHOUT_SANDBOX'):
        return 'ZEL_FACTORY_WITHOUT_SANDBOX is set'
    if shutil.which('bwrap') is None:
        return 'bubblewrap is not installed'
    probe = subprocess.run(SANDBOX_PROBE, capture_output=True, text=True)
    if probe.returncode != 0:
        return probe.stderr.strip() or 'bwrap exited with %d' % probe.returncode
    return None


def drive_factory(out, files):
    """Runs in the factory's environment: one JSON line per file with what the factory made."""
    import gi
    gi.require_version('GnomeDesktop', '3.0')
    from gi.repository import Gio, GLib, GnomeDesktop
    factory = GnomeDesktop.DesktopThumbnailFactory.new(GnomeDesktop.DesktopThumbnailSize.NORMAL)
    for path in files:
        file = Gio.File.new_for_path(path)
        info = file.query_info('standard::content-type,time::modified',
                               Gio.FileQueryInfoFlags.NONE, None)
        mime = info.get_content_type()
        record = {'name': os.path.basename(path), 'mime': mime,
                  'can': factory.can_thumbnail(file.get_uri(), mime,
                                               info.get_attribute_uint64('time::modified'))}
        try:
            thumbnail = os.path.join(out, record['name'] + '.png')
            factory.generate_thumbnail(file.get_uri(), mime).savev(thumbnail, 'png', [], [])
            record['thumbnail'] = thumbnail
        except GLib.Error as error:
            record['error'] = error.message
        print(json.dumps(record), flush=True)


class Factory(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix='zel-factory-test.')
        self.addCleanup(shutil.rmtree, self.folder)
        for name in ('in', 'out', 'home', 'bin'):
            os.mkdir(os.path.join(self.folder, name))
        self.environment = dict(os.environ, HOME=os.path.join(self.folder, 'home'),
                                XDG_CACHE_HOME=os.path.join(self.folder, 'home', 'cache'),
                                XDG_DATA_HOME=os.path.join(self.folder, 'home', 'data'),
                                XDG_CONFIG_HOME=os.path.join(self.folder, 'home', 'config'),
                                GSETTINGS_BACKEND='memory', G_MESSAGES_DEBUG='GnomeDesktop')
        self.environment.pop('ZEL_HOST_PATH', None)

    def install(self, prefix, destdir=None):
        environment = dict(os.environ, DESTDIR=destdir) if destdir else None
        subprocess.run(['cmake', '--install', BUILD, '--prefix', prefix], check=True,
                       stdout=subprocess.DEVNULL, env=environment)

    def test_the_factory_makes_thumbnails_through_our_entry(self):
        problem = sandbox_problem()
        if problem is None:
            staging = os.path.join(self.folder, 'root')
            self.install('/usr/local', destdir=staging)
            launcher = ['bwrap', '--dev-bind', '/', '/',
                        '--bind', os.path.join(staging, 'usr', 'local'), '/usr/local', '--']
            prefix = '/usr/local'
        else:
            print("GNOME's thumbnailer sandbox cannot run here (%s); the factory runs the "
                  'thumbnailer without it, as where bubblewrap is missing' % problem)
            prefix = os.path.join(self.folder, 'prefix')
            self.install(prefix)
            os.symlink(os.path.join(HERE, 'bwrap_stand_in.py'),
                       os.path.join(self.folder, 'bin', 'bwrap'))
            self.environment['PATH'] = (os.path.join(self.folder, 'bin') + os.pathsep +
                                        self.environment.get('PATH', ''))
            launcher = []
        self.environment['XDG_DATA_DIRS'] = os.path.join(prefix, 'share') + ':/usr/share'

        inputs = desktop_inputs.make_all(os.path.join(self.folder, 'in'))
        run = subprocess.run(
            launcher + ['/usr/bin/python3', os.path.abspath(__file__), '--drive',
                        os.path.join(self.folder, 'out')] + list(inputs.values()),
            capture_output=True, text=True, env=self.environment, timeout=600)
        self.assertEqual(0, run.returncode, run.stderr)
        # GLib writes the debug log to the standard output, between the records.
        lines = (run.stdout + run.stderr).splitlines()
        records = [json.loads(line) for line in lines if line.startswith('{')]
        launches = [line for line in lines if 'About to launch script:' in line]
        self.assertEqual(len(inputs), len(records), run.stdout)
        self.assertEqual(len(inputs), len(launches), run.stdout)

        command = '%s/bin/zelThumbnailer -s 128 ' % prefix
        for record, launch in zip(records, launches):
            with self.subTest(file=record['name']):
                self.assertTrue(record['can'], record)
                self.assertIn(command, launch)
                self.assertIn('file-to-thumbnail' + os.path.splitext(record['name'])[1], launch)
                self.assertIn('thumbnail', record, '%s\n%s' % (record, run.stdout + run.stderr))
                desktop_inputs.check_thumbnail(self, record['name'], record['thumbnail'], 128)


if __name__ == '__main__':
    if sys.argv[1] == '--drive':
        drive_factory(sys.argv[2], sys.argv[3:])
    else:
        BUILD = sys.argv.pop(1)
        unittest.main()
