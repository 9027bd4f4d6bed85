"""Reading captures of the private data items and turning items into plain data and back.

The public Python API behind the command-line tool: the tool's ``decode`` and
``encode`` use these functions and nothing else to frame, decode and convert.
"""
