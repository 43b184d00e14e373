"""The Windows program under Wine as an end-to-end host (being written)."""
from framework import Host


class WineHost(Host):
    NAME = 'wine'
    SCREEN = (1280, 1024)
    LONG_SCREEN = (1280, 1024)
    NO_SOUND_BOXES = ['Bass init error', 'Music play error']
