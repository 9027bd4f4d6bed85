"""Data item catalogs of the RLX data protocol; ``private_data_items`` is the C++ extension."""
