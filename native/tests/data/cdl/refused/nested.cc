<?xml version="1.0" encoding="UTF-8"?>
<ColorCorrection id="outer">
    <ColorCorrection id="inner"><SatNode><Saturation>0.5</Saturation></SatNode></ColorCorrection>
</ColorCorrection>
