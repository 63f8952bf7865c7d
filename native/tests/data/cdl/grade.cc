<?xml version="1.0" encoding="UTF-8"?>
<ColorCorrection xmlns="urn:ASC:CDL:v1.01" id="shot_010">
    <Description>Warmer, a touch less saturated</Description>
    <SOPNode>
        <Description>ASC CDL slope, offset and power</Description>
        <Slope>1.1 1.0 0.9</Slope>
        <Offset>0.02 0.0 -0.01</Offset>
        <Power>0.95 1.0 1.05</Power>
    </SOPNode>
    <SatNode>
        <Saturation>0.9</Saturation>
    </SatNode>
</ColorCorrection>
