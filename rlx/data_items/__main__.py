import sys

from rlx.data_items.cli import main

sys.exit(main())
