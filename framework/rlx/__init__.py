"""RLX data protocol: framework, network commands and the private data item catalog."""
