<?xml version="1.0" encoding="UTF-8"?>
<ColorCorrection id="a">
    <SOPNode><Slope>1 1 1</Slope><Offset>inf 0 0</Offset><Power>1 1 1</Power></SOPNode>
</ColorCorrection>
