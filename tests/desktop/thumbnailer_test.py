"""zelThumbnailer from the build tree: thumbnail sizes and contents, exit codes, and no output
file left behind when it fails.

    thumbnailer_test.py PATH_OF_ZELTHUMBNAILER
"""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop_inputs  # noqa: E402

THUMBNAILER = None


class Thumbnailer(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix='zel-thumbnailer-test.')
        cls.inputs = desktop_inputs.make_all(cls.folder)
        cls.out = os.path.join(cls.folder, 'out')
        os.mkdir(cls.out)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder)

    def run_thumbnailer(self, *arguments, environment=None):
        return subprocess.run([THUMBNAILER] + list(arguments), capture_output=True, text=True,
                              env=dict(os.environ, **(environment or {})), timeout=300)

    def assert_out_is_empty(self):
        self.assertEqual([], os.listdir(self.out))

    def test_each_kind_of_file_fits_the_size(self):
        for name, path in self.inputs.items():
            for size in (128, 48):
                with self.subTest(name=name, size=size):
                    output = os.path.join(self.out, '%s-%d.png' % (name, size))
                    result = self.run_thumbnailer('-s', str(size), path, output)
                    self.assertEqual(0, result.returncode, result.stderr)
                    desktop_inputs.check_thumbnail(self, name, output, size)
                    os.remove(output)

    def test_small_pictures_are_not_enlarged_and_unnamed_text_is_laid_out(self):
        small = os.path.join(self.folder, 'small.png')
        subprocess.run(['convert', '-size', '30x20', 'xc:red', small], check=True)
        output = os.path.join(self.out, 'small.png')
        result = self.run_thumbnailer('-s', '128', small, output)
        self.assertEqual(0, result.returncode, result.stderr)
        self.assertEqual((30, 20), desktop_inputs.read_png(output)[:2])
        os.remove(output)

        # Text without a telling name, as file managers hand over copies of plain-text files.
        notes = os.path.join(self.folder, 'notes')
        with open(notes, 'w') as text:
            text.write('Shopping\n\nbread, milk, apples\n')
        output = os.path.join(self.out, 'notes.png')
        result = self.run_thumbnailer('-s', '128', notes, output)
        self.assertEqual(0, result.returncode, result.stderr)
        width, height, _ = desktop_inputs.read_png(output)
        self.assertEqual(128, height)
        self.assertLess(width, 100)
        os.remove(output)

    def test_failures_exit_non_zero_with_a_message_and_leave_no_file(self):
        # A PNG signature over noise, and noise of no known type.
        junk = os.path.join(self.folder, 'junk.png')
        with open(junk, 'wb') as data:
            data.write(b'\x89PNG\r\n\x1a\n' + bytes(range(256)) * 8)
        noise = os.path.join(self.folder, 'noise')
        with open(noise, 'wb') as data:
            data.write(bytes(range(256)) * 8)
        cases = {
            'undecodable PNG': ([junk], {}),
            'undecodable': ([noise], {}),
            'missing input': ([os.path.join(self.folder, 'absent.jpg')], {}),
            'missing output folder': ([self.inputs['photo.jpg']], {}, 'absent/out.png'),
            'no host': ([self.inputs['photo.jpg']],
                        {'ZEL_HOST_PATH': os.path.join(self.folder, 'no-such-host')}),
        }
        for case, (inputs, environment, *output_name) in cases.items():
            with self.subTest(case=case):
                output = os.path.join(self.out, *(output_name or ['out.png']))
                result = self.run_thumbnailer('-s', '64', *inputs, output, environment=environment)
                self.assertEqual(1, result.returncode)
                self.assertIn('zelThumbnailer: ', result.stderr)
                self.assert_out_is_empty()
        # The host's own account of a failed conversion reaches the caller.
        self.assertIn('zelHost: ConvertToBitmap failed: ',
                      self.run_thumbnailer('-s', '64', noise, os.path.join(self.out, 'x.png')).stderr)

    def test_wrong_arguments_exit_with_2(self):
        photo, output = self.inputs['photo.jpg'], os.path.join(self.out, 'out.png')
        for arguments in ([photo, output], ['-s', '0', photo, output], ['-s', 'big', photo, output],
                          ['-s', '64', photo], ['-s', '64', photo, output, output],
                          ['-x', '-s', '64', photo, output]):
            with self.subTest(arguments=arguments):
                result = self.run_thumbnailer(*arguments)
                self.assertEqual(2, result.returncode)
                self.assertIn('usage: zelThumbnailer -s SIZE INPUT OUTPUT', result.stderr)
                self.assert_out_is_empty()


if __name__ == '__main__':
    THUMBNAILER = sys.argv.pop(1)
    unittest.main()
