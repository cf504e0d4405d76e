#!/usr/bin/python3
"""Stands in for bubblewrap on a machine where its sandbox cannot be set up, so that GNOME's
thumbnail factory runs a thumbnailer as it does where bubblewrap is missing: directly, with the
real input file and output folder. The factory names the files by where it binds them inside the
sandbox; those names are turned back into the real paths, the environment settings are applied,
and every other sandbox option is dropped."""

import os
import sys

# bubblewrap's options and how many values follow each.
VALUES = {'--bind': 2, '--bind-try': 2, '--ro-bind': 2, '--ro-bind-try': 2, '--dev-bind': 2,
          '--dev-bind-try': 2, '--symlink': 2, '--setenv': 2, '--unsetenv': 1, '--proc': 1,
          '--dev': 1, '--tmpfs': 1, '--dir': 1, '--chdir': 1, '--seccomp': 1, '--args': 1,
          '--uid': 1, '--gid': 1, '--hostname': 1, '--remount-ro': 1, '--mqueue': 1}

arguments = sys.argv[1:]
binds = []
index = 0
while index < len(arguments) and arguments[index].startswith('--'):
    option = arguments[index]
    if option == '--':
        index += 1
        break
    values = arguments[index + 1:index + 1 + VALUES.get(option, 0)]
    if option in ('--bind', '--ro-bind', '--bind-try', '--ro-bind-try'):
        binds.append((values[0], values[1]))
    elif option == '--setenv':
        os.environ[values[0]] = values[1]
    elif option == '--unsetenv':
        os.environ.pop(values[0], None)
    index += 1 + len(values)
command = arguments[index:]


def real_path(argument):
    # A bound file by its exact name first, then anything below a bound folder (longest first).
    for source, inside in binds:
        if argument == inside:
            return source
    for source, inside in sorted(binds, key=lambda bind: -len(bind[1])):
        if argument.startswith(inside.rstrip('/') + '/'):
            return source + argument[len(inside.rstrip('/')):]
    return argument


os.execvp(command[0], [real_path(argument) for argument in command])
