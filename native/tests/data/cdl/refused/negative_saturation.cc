<?xml version="1.0" encoding="UTF-8"?>
<ColorCorrection id="a">
    <SatNode><Saturation>-0.5</Saturation></SatNode>
</ColorCorrection>
